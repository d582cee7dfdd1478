#include "DialogTemplate.h"

#include "Ids.h"
#include "Texts.h"

namespace resources {

DialogTemplate MainDialogTemplate()
{
    using K = ControlKind;
    return {
        325,
        257,
        texts::kTitle,
        { QStringLiteral("宋体"), QStringLiteral("SimSun"), QStringLiteral("AR PL UMing CN"),
            QStringLiteral("Noto Serif CJK SC") },
        9,
        {
            { ids::kMergeList, K::ListBox, QString(), 7, 40, 141, 126, false },
            { -1, K::Static, texts::kFileLabel, 124, 18, 26, 9, true, true },
            { ids::kPathField, K::Edit, QString(), 156, 14, 108, 16, true },
            { ids::kBrowseButton, K::Button, texts::kBrowse, 274, 15, 42, 14, true },
            { ids::kSizeField, K::EditCombo, QString(), 227, 38, 40, 96, true, false,
                { QStringLiteral("100"), QStringLiteral("80"), QStringLiteral("60"), QStringLiteral("40"),
                    QStringLiteral("30"), QStringLiteral("20"), QStringLiteral("10") } },
            { ids::kUnitLabel, K::Static, texts::kUnitM, 277, 41, 8, 8, true },
            { ids::kModeSelector, K::ListCombo, QString(), 53, 16, 68, 52, true, false,
                { texts::kModeSplit, texts::kModeMerge } },
            { -1, K::Static, texts::kModeLabel, 7, 18, 37, 8, true },
            { ids::kStartButton, K::Button, texts::kStartSplit, 67, 225, 50, 14, true },
            { ids::kCloseButton, K::Button, texts::kClose, 199, 225, 50, 14, true },
            { ids::kProgressBar, K::Progress, QString(), 13, 199, 292, 14, true },
            { ids::kDeleteButton, K::Button, texts::kDelete, 156, 54, 50, 14, false },
            { ids::kSizeLabel, K::Static, texts::kSizeLabel, 159, 41, 65, 8, true },
            { ids::kDeleteAfterMergeBox, K::CheckBox, texts::kDeleteAfterMerge, 161, 147, 120, 10, false },
            { ids::kInfoLine, K::Static, QString(), 27, 38, 124, 21, true },
        },
    };
}

std::vector<MenuTemplate> MainMenuTemplate()
{
    return {
        { texts::kMenuHelp,
            {
                { ids::kMenuFeatures, texts::kMenuFeatures, false, false },
                { ids::kMenuUsage, texts::kMenuUsage, false, false },
                { ids::kMenuShowProgress, texts::kMenuShowProgress, true, true },
                { ids::kMenuEnlargeBuffer, texts::kMenuEnlargeBuffer, false, false },
                { ids::kMenuPieceFolder, texts::kMenuPieceFolder, false, false },
                { ids::kMenuMultithreading, texts::kMenuMultithreading, true, false },
                { ids::kMenuChecksum, texts::kMenuChecksum, true, false },
            } },
        { texts::kMenuAboutMaker,
            {
                { ids::kMenuForum, texts::kMenuForum, false, false },
                { ids::kMenuWriteToMe, texts::kMenuWriteToMe, false, false },
                { ids::kMenuAbout, texts::kMenuAbout, false, false },
                { ids::kMenuAboutVelda, texts::kMenuAboutVelda, false, false },
            } },
    };
}

} // namespace resources
