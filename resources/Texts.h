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
inline const QString kThreadFailed = QStringLiteral("启动工作线程失败！");
inline const QString kFileBusy = QStringLiteral("文件“%1”正被另一个任务使用，请等它结束后再试！");
inline const QString kSourceChanged =
    QStringLiteral("待分割文件在分割过程中被修改了，这次的分割文件已删除，请重新分割！");
inline const QString kSameFileTwice = QStringLiteral("列表中的“%1”与另一项是同一个文件，请删除重复的一项！");
inline const QString kStalePieces =
    QStringLiteral("\n\n注意：文件夹中还有 %1 个编号更大的同名分割文件（第一个是“%2”），它们不是这次分割生成的，合并时不要选择它们。");
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

} // namespace texts
