#pragma once
// Every text the program shows, in one place.

#include <QString>

namespace texts {

inline const QString kTitle = QStringLiteral("岚舟文件分割机");
inline const QString kElapsedPrefix = QStringLiteral("——总耗时：");

inline const QString kCaptionError = QStringLiteral("错误");
inline const QString kCaptionSuccess = QStringLiteral("成功");
inline const QString kCaptionAbout = QStringLiteral("软件介绍");
inline const QString kCaptionHint = QStringLiteral("提示");

inline const QString kModeSplit = QStringLiteral("文件分割");
inline const QString kModeMerge = QStringLiteral("文件合并");
inline const QString kStartSplit = QStringLiteral("开始分割");
inline const QString kStartMerge = QStringLiteral("开始合并");
inline const QString kSplitting = QStringLiteral("正在分割");
inline const QString kMerging = QStringLiteral("正在合并");
inline const QString kRunningMark = QStringLiteral("正在");

inline const QString kFileLabel = QStringLiteral("文件:");
inline const QString kBrowse = QStringLiteral("浏览");
inline const QString kUnitM = QStringLiteral("M");
inline const QString kModeLabel = QStringLiteral("功能选择:");
inline const QString kClose = QStringLiteral("关闭程序");
inline const QString kDelete = QStringLiteral("删除");
inline const QString kSizeLabel = QStringLiteral("按大小分割每份:");
inline const QString kDeleteAfterMerge = QStringLiteral("合并完成后，删除原分割文件。");

// Split and merge.
inline const QString kNoSpace = QStringLiteral("存放分隔文件的磁盘空间不够，请重新选择存放分隔文件的文件夹路径！");
inline const QString kFileMustExist = QStringLiteral("请确保文件存在！");
inline const QString kOpenSourceFailed = QStringLiteral("打开待分割文件失败！");
inline const QString kCreatePieceFailed = QStringLiteral("创建分割文件失败！");
inline const QString kMapPieceFailed = QStringLiteral("创建分割文件映射失败！");
inline const QString kMapSourceFailed = QStringLiteral("创建待分割文件映射失败！");
inline const QString kBadPieceSize = QStringLiteral("请输入有效的分割大小！");
inline const QString kListEmpty = QStringLiteral("请先添加需要合并的文件！");
inline const QString kOpenPieceFailed = QStringLiteral("创建待合并文件失败！");
inline const QString kMapMergePieceFailed = QStringLiteral("创建合并文件映射失败！");
inline const QString kCreateJoinedFailed = QStringLiteral("打开待合并文件失败！");
inline const QString kJoinedIsPiece = QStringLiteral("合并后的文件就是待合并文件之一，请重新选择！");
inline const QString kCopyFailed = QStringLiteral("复制文件数据失败！");
inline const QString kFlushFailed = QStringLiteral("合并文件写入磁盘失败！");
inline const QString kPieceFlushFailed = QStringLiteral("分割文件写入磁盘失败！");
inline const QString kStaleChecksumFile
    = QStringLiteral("\n\n注意：文件夹中的校验文件“%1”是以前分割时生成的，与这次的分割文件不符；合并前请删除它。");
inline const QString kChecksumWriteFailed = QStringLiteral("无法写入校验文件 %1！");
inline const QString kChecksumReadFailed = QStringLiteral("无法读取校验文件 %1！");
inline const QString kChecksumMismatch
    = QStringLiteral("分割文件 %1 与校验文件不符，合并出的文件不会是原文件！分割文件都已保留。");
inline const QString kChecksumPieceMissing
    = QStringLiteral("校验文件中的分割文件 %1 不在合并列表中，合并出的文件不会是原文件！");
inline const QString kChecksumJoinedMismatch
    = QStringLiteral("合并出的文件 %1 与校验文件不符，已删除！分割文件都已保留。");
inline const QString kThreadFailed = QStringLiteral("启动工作线程失败！");
inline const QString kFileBusy = QStringLiteral("文件“%1”正被另一个任务使用，请等它结束后再试！");
inline const QString kSourceChanged
    = QStringLiteral("待分割文件在分割过程中被修改了，这次的分割文件已删除，请重新分割！");
inline const QString kSameFileTwice = QStringLiteral("列表中的“%1”与另一项是同一个文件，请删除重复的一项！");
inline const QString kStalePieces = QStringLiteral(
    "\n\n注意：文件夹中还有 %1 个编号更大的同名分割文件（第一个是“%2”），它们不是这次分割生成的，合并时不要选择它们。");
inline const QString kMixedSets = QStringLiteral(
    "列表中的文件不属于同一组分割文件（名称或扩展名不同），合并后的文件将不是其中任何一个原文件。确定要合并吗？");
inline const QString kSplitDone = QStringLiteral("文件分割完成！");
inline const QString kMergeDone = QStringLiteral("文件合并完成！");
inline const QString kReplaceJoined = QStringLiteral("%1 已存在，要替换它吗？");
inline const QString kStopAndQuit = QStringLiteral("任务正在进行，确定要停止并退出吗？");

// Information line.
inline const QString kOpenFileForSizeFailed = QStringLiteral("打开文件失败，无法获知文件大小");
inline const QString kInfoSizeWhole = QStringLiteral("文件总大小：%1 M");
inline const QString kInfoFree = QStringLiteral("，存放分隔文件的磁盘剩余空间大小：%1 M");
inline const QString kInfoFreeUnknown = QStringLiteral("，存放分隔文件的磁盘剩余空间大小：未知");

// Menu.
inline const QString kMenuHelp = QStringLiteral("软件简介");
inline const QString kMenuFeatures = QStringLiteral("具体功能");
inline const QString kMenuUsage = QStringLiteral("使用说明");
inline const QString kMenuShowProgress = QStringLiteral("显示进度条");
inline const QString kMenuEnlargeBuffer = QStringLiteral("增大缓冲区");
inline const QString kMenuPieceFolder = QStringLiteral("分隔文件存放目录选择");
inline const QString kMenuMultithreading = QStringLiteral("使用多线程");
inline const QString kMenuChecksum = QStringLiteral("生成校验文件");
inline const QString kMenuAboutMaker = QStringLiteral("关于岚舟");
inline const QString kMenuForum = QStringLiteral("我的论坛");
inline const QString kMenuWriteToMe = QStringLiteral("给我写信");
inline const QString kMenuAbout = QStringLiteral("岚舟简介");
inline const QString kChooseFolderTitle = QStringLiteral("修改分隔文件保存路径");
inline const QString kFolderWithoutPath = QStringLiteral("所选项目不是文件夹，请重新选择！");

inline const QString kFeaturesText = QStringLiteral(
    "软件功能就是可以把任意类型的大文件分割成很多小文件，然后在另一个地方，把那些小文件还原成大文件，因为就是简单的分割"
    "与合并，所以理论上是兼容其他分割文件工具的。支持大文件风格，比如4G以上的镜像文件。");
inline const QString kUsageText
    = QStringLiteral("合并文件的时候，可以一次性选择多个文件，不用一个个添加，对于电脑性能不强，硬盘速度不快的机子，用"
                     "多线程很可能并不比单线程来得快！如有更多问题，请到岚舟书斋论坛咨询！");

// The command line (velda --help, velda split, velda join).
inline const QString kCliVersion = QStringLiteral("velda（岚舟文件分割机）%1");
inline const QString kCliUnknownOption = QStringLiteral("未知选项：%1");
inline const QString kCliBadOptionUse = QStringLiteral("选项缺少取值，或不应带取值：%1");
inline const QString kCliMissingSplitFile = QStringLiteral("请给出要分割的文件。");
inline const QString kCliMissingPieces = QStringLiteral("请给出要合并的分割文件。");
inline const QString kCliExtraArgument = QStringLiteral("只能分割一个文件，多余的参数：%1");
inline const QString kCliBadThreads = QStringLiteral("--threads 只能是 one 或 piece：%1");
inline const QString kCliBadBufferFactor = QStringLiteral("--buffer-factor 只能是 10、100、1000 或 10000：%1");
inline const QString kCliSeeHelp = QStringLiteral("用法见 velda --help。");
inline const QString kCliJoinedExists = QStringLiteral("%1 已存在，不会替换它；请先移走或删除它。");
inline const QString kCliInterrupted = QStringLiteral("任务已中断，未完成的输出文件已删除。");
inline const QString kCliProgress = QStringLiteral("已完成 %1%，%2 M/秒");

inline const QString kCliHelp = QStringLiteral(R"(名称
    velda — 岚舟文件分割机：把文件按大小分割成多份，再把分割文件合并还原

用法
    velda [文件…]
    velda split 文件 [--size 大小] [--folder 文件夹] [--threads one|piece] [--buffer-factor N]
                [--checksum]
    velda join 分割文件… [--delete-pieces]
    velda --help | --version

说明
    不带子命令时打开窗口。给出一个普通文件时，窗口处于“文件分割”，路径和文件信息已填好；
    给出分割文件（名为 名称000.扩展名.qv 这样的文件）时处于“文件合并”，按序号列出它们；只给出
    一个分割文件时，同一文件夹中同一组的其他分割文件也一并列出。给出的文件不存在或无法读取时，
    窗口照常打开，并显示与“浏览”相同的提示。

    split 和 join 不打开窗口，也不需要显示器：在终端中分割或合并，规则与窗口相同。
    输出到终端时，标准错误上显示进度（百分比和速度）；所有提示都写到标准错误。

    velda split 文件
        把文件分割成 名称000.扩展名.qv、名称001.扩展名.qv……
        --size 大小            每份大小，单位 M（1 M = 1,000,000 字节），默认 250
        --folder 文件夹        存放分割文件的文件夹，默认为文件所在的文件夹
        --threads one|piece    one：一个工作线程（默认）；piece：每份文件一个线程
        --buffer-factor N      每次映射的视图为 N 倍分配粒度，N 为 10（默认）、100、1000 或 10000
        --checksum             另写校验文件 名称.扩展名.sha256（可用 sha256sum -c 检查）

    velda join 分割文件…
        按序号合并分割文件；合并后的文件放在第一个给出的分割文件所在的文件夹，名称去掉序号和 .qv。
        旁边有校验文件（名称.扩展名.sha256）时，先检查分割文件，合并后再检查合并出的文件。
        --delete-pieces        合并完全成功并写入磁盘后，删除这些分割文件
        合并后的文件所在位置已有别的文件时不合并（退出状态 1），以免替换它。

    按 Ctrl+C（或发送 SIGTERM）会停止任务，删除未完成的输出文件，已完成的分割文件保留。

退出状态
    0    成功
    1    任务失败（提示写在标准错误上）
    2    用法错误：未知选项、缺少文件、--threads 或 --buffer-factor 的取值无效
    130  被 Ctrl+C（SIGINT）中断；被 SIGTERM 停止时为 143

示例
    velda movie.avi
    velda split movie.avi --size 700 --folder /media/usb
    velda join /media/usb/movie000.avi.qv /media/usb/movie001.avi.qv --delete-pieces
)");

inline const QString kCliSplitHelp = QStringLiteral(R"(用法
    velda split 文件 [--size 大小] [--folder 文件夹] [--threads one|piece] [--buffer-factor N]
                [--checksum]

    把文件分割成 名称000.扩展名.qv、名称001.扩展名.qv……，不打开窗口。
    --size 大小            每份大小，单位 M（1 M = 1,000,000 字节），默认 250
    --folder 文件夹        存放分割文件的文件夹，默认为文件所在的文件夹
    --threads one|piece    one：一个工作线程（默认）；piece：每份文件一个线程
    --buffer-factor N      每次映射的视图为 N 倍分配粒度，N 为 10（默认）、100、1000 或 10000
    --checksum             另写校验文件 名称.扩展名.sha256（可用 sha256sum -c 检查）

    退出状态：0 成功，1 失败，2 用法错误，130 被 Ctrl+C 中断。
示例
    velda split movie.avi --size 700 --folder /media/usb
)");

inline const QString kCliJoinHelp = QStringLiteral(R"(用法
    velda join 分割文件… [--delete-pieces]

    按序号合并分割文件，不打开窗口。合并后的文件放在第一个给出的分割文件所在的文件夹，
    名称去掉序号和 .qv。旁边有校验文件（名称.扩展名.sha256）时，先检查其中列出的分割文件，
    合并后再检查合并出的文件，不符时合并失败，分割文件都保留。
    --delete-pieces        合并完全成功并写入磁盘后，删除这些分割文件
    合并后的文件所在位置已有别的文件时不合并（退出状态 1），以免替换它。

    退出状态：0 成功，1 失败，2 用法错误，130 被 Ctrl+C 中断。
示例
    velda join movie000.avi.qv movie001.avi.qv movie002.avi.qv --delete-pieces
)");

} // namespace texts
