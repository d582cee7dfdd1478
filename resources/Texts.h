#pragma once
// Every text the program shows, in one place: the Chinese sources, marked for lupdate. A new
// text is declared as `inline constexpr Text kName = QT_TRANSLATE_NOOP("Velda", "…");`, then
// `cmake --build build --target update_translations` adds it to translations/velda_en.ts,
// where its English goes.

#include "Text.h"

namespace texts {

inline constexpr Text kTitle = QT_TRANSLATE_NOOP("Velda", "岚舟文件分割机");
inline constexpr Text kElapsedPrefix = QT_TRANSLATE_NOOP("Velda", "——总耗时：");

inline constexpr Text kCaptionError = QT_TRANSLATE_NOOP("Velda", "错误");
inline constexpr Text kCaptionSuccess = QT_TRANSLATE_NOOP("Velda", "成功");
inline constexpr Text kCaptionHint = QT_TRANSLATE_NOOP("Velda", "提示");

inline constexpr Text kModeSplit = QT_TRANSLATE_NOOP("Velda", "文件分割");
inline constexpr Text kModeMerge = QT_TRANSLATE_NOOP("Velda", "文件合并");
inline constexpr Text kStartSplit = QT_TRANSLATE_NOOP("Velda", "开始分割");
inline constexpr Text kStartMerge = QT_TRANSLATE_NOOP("Velda", "开始合并");
inline constexpr Text kSplitting = QT_TRANSLATE_NOOP("Velda", "正在分割");
inline constexpr Text kMerging = QT_TRANSLATE_NOOP("Velda", "正在合并");
//: Part of both running captions above and of no other: a start button whose caption holds it
//: marks a running job.
inline constexpr Text kRunningMark = QT_TRANSLATE_NOOP("Velda", "正在");

inline constexpr Text kFileLabel = QT_TRANSLATE_NOOP("Velda", "文件:");
inline constexpr Text kBrowse = QT_TRANSLATE_NOOP("Velda", "浏览");
inline constexpr Text kUnitM = QT_TRANSLATE_NOOP("Velda", "M");
inline constexpr Text kModeLabel = QT_TRANSLATE_NOOP("Velda", "功能选择:");
inline constexpr Text kClose = QT_TRANSLATE_NOOP("Velda", "关闭程序");
inline constexpr Text kDelete = QT_TRANSLATE_NOOP("Velda", "删除");
inline constexpr Text kSizeLabel = QT_TRANSLATE_NOOP("Velda", "按大小分割每份:");
// The file dialogs' filters: a name, then the patterns in parentheses, which stay as they are.
// Pieces are of this program, or numbered in their last extension (movie.mkv.001).
inline constexpr Text kFilterAny = QT_TRANSLATE_NOOP("Velda", "*.* (*)");
inline constexpr Text kFilterAllFiles = QT_TRANSLATE_NOOP("Velda", "All files (*)");
inline constexpr Text kFilterPieces = QT_TRANSLATE_NOOP(
    "Velda", "*.qv *.001 (*.qv *.[0-9][0-9][0-9] *.[0-9][0-9][0-9][0-9] *.[0-9][0-9][0-9][0-9][0-9])");
inline constexpr Text kDeleteAfterMerge = QT_TRANSLATE_NOOP("Velda", "合并完成后，删除原分割文件。");

// Split and merge.
inline constexpr Text kNoSpace
    = QT_TRANSLATE_NOOP("Velda", "存放分隔文件的磁盘空间不够，请重新选择存放分隔文件的文件夹路径！");
inline constexpr Text kFileMustExist = QT_TRANSLATE_NOOP("Velda", "请确保文件存在！");
inline constexpr Text kOpenSourceFailed = QT_TRANSLATE_NOOP("Velda", "打开待分割文件失败！");
inline constexpr Text kCreatePieceFailed = QT_TRANSLATE_NOOP("Velda", "创建分割文件失败！");
inline constexpr Text kMapPieceFailed = QT_TRANSLATE_NOOP("Velda", "创建分割文件映射失败！");
inline constexpr Text kMapSourceFailed = QT_TRANSLATE_NOOP("Velda", "创建待分割文件映射失败！");
inline constexpr Text kBadPieceSize = QT_TRANSLATE_NOOP("Velda", "请输入有效的分割大小！");
inline constexpr Text kListEmpty = QT_TRANSLATE_NOOP("Velda", "请先添加需要合并的文件！");
inline constexpr Text kOpenPieceFailed = QT_TRANSLATE_NOOP("Velda", "创建待合并文件失败！");
inline constexpr Text kMapMergePieceFailed = QT_TRANSLATE_NOOP("Velda", "创建合并文件映射失败！");
inline constexpr Text kCreateJoinedFailed = QT_TRANSLATE_NOOP("Velda", "打开待合并文件失败！");
inline constexpr Text kJoinedIsPiece = QT_TRANSLATE_NOOP("Velda", "合并后的文件就是待合并文件之一，请重新选择！");
inline constexpr Text kCopyFailed = QT_TRANSLATE_NOOP("Velda", "复制文件数据失败！");
inline constexpr Text kFlushFailed = QT_TRANSLATE_NOOP("Velda", "合并文件写入磁盘失败！");
inline constexpr Text kPieceFlushFailed = QT_TRANSLATE_NOOP("Velda", "分割文件写入磁盘失败！");
inline constexpr Text kStaleChecksumFile = QT_TRANSLATE_NOOP(
    "Velda", "\n\n注意：文件夹中的校验文件“%1”是以前分割时生成的，与这次的分割文件不符；合并前请删除它。");
inline constexpr Text kChecksumWriteFailed = QT_TRANSLATE_NOOP("Velda", "无法写入校验文件 %1！");
inline constexpr Text kChecksumReadFailed = QT_TRANSLATE_NOOP("Velda", "无法读取校验文件 %1！");
inline constexpr Text kChecksumNotAFile
    = QT_TRANSLATE_NOOP("Velda", "校验文件 %1 不是普通文件，或者大得不像校验文件，不会读取它！请移走它后再合并。");
inline constexpr Text kChecksumNothingApplies
    = QT_TRANSLATE_NOOP("Velda", "校验文件 %1 中没有一行属于这些分割文件，合并将不做校验！");
inline constexpr Text kCliChecksumNothingApplies = QT_TRANSLATE_NOOP(
    "Velda", "校验文件 %1 中没有一行属于这些分割文件，不经校验不会合并；确认无误时请移走该校验文件后再合并。");
inline constexpr Text kChecksumMismatch
    = QT_TRANSLATE_NOOP("Velda", "分割文件 %1 与校验文件不符，合并出的文件不会是原文件！分割文件都已保留。");
inline constexpr Text kChecksumPieceMissing
    = QT_TRANSLATE_NOOP("Velda", "校验文件中的分割文件 %1 不在合并列表中，合并出的文件不会是原文件！");
inline constexpr Text kChecksumJoinedMismatch
    = QT_TRANSLATE_NOOP("Velda", "合并出的文件 %1 与校验文件不符，已删除！分割文件都已保留。");
inline constexpr Text kThreadFailed = QT_TRANSLATE_NOOP("Velda", "启动工作线程失败！");
inline constexpr Text kFileBusy = QT_TRANSLATE_NOOP("Velda", "文件“%1”正被另一个任务使用，请等它结束后再试！");
inline constexpr Text kTempInTheWay
    = QT_TRANSLATE_NOOP("Velda", "“%1”已经存在，但不是本程序留下的文件，本程序不会改动它。请移走或删除它后再试！");
inline constexpr Text kPieceChanged
    = QT_TRANSLATE_NOOP("Velda", "分割文件 %1 在合并过程中被修改了，合并出的文件已删除，分割文件都已保留！");
inline constexpr Text kNameNotUtf8 = QT_TRANSLATE_NOOP(
    "Velda", "文件名“%1”不是 UTF-8 编码的，本程序无法原样保留这个名字。请先给文件改名（例如用 convmv），再重试！");
inline constexpr Text kSourceChanged
    = QT_TRANSLATE_NOOP("Velda", "待分割文件在分割过程中被修改了，这次的分割文件已删除，请重新分割！");
inline constexpr Text kSameFileTwice
    = QT_TRANSLATE_NOOP("Velda", "列表中的“%1”与另一项是同一个文件，请删除重复的一项！");
inline constexpr Text kStalePieces = QT_TRANSLATE_NOOP("Velda",
    "\n\n注意：文件夹中还有 %1 个编号更大的同名分割文件（第一个是“%2”），它们不是这次分割生成的，合并时不要选择它们。");
inline constexpr Text kSetMissingPiece = QT_TRANSLATE_NOOP("Velda", "缺少分割文件 %1，合并出的文件将不完整！");
inline constexpr Text kSetShortPiece
    = QT_TRANSLATE_NOOP("Velda", "分割文件 %1 比同组的其他分割文件小，可能没有下载完整，合并出的文件将不完整！");
inline constexpr Text kSetTwoSets = QT_TRANSLATE_NOOP(
    "Velda", "列表中的文件不属于同一组分割文件（%1 属于另一组），合并后的文件将不是其中任何一个原文件！");
inline constexpr Text kSetNotAPiece = QT_TRANSLATE_NOOP("Velda", "%1 不是分割文件，合并后的文件将不是原文件！");
inline constexpr Text kSetGoesOn
    = QT_TRANSLATE_NOOP("Velda", "文件夹中还有同组的分割文件 %1 不在合并列表中，合并出的文件将不完整！");
inline constexpr Text kSetStrayFirst = QT_TRANSLATE_NOOP("Velda",
    "%1 与从 .001 开始编号的分割文件在一起，无法判断它是不是这组的第一个分割文件，合并后的文件可能不是原文件！");
inline constexpr Text kJoinAnyway = QT_TRANSLATE_NOOP("Velda", "\n\n仍要合并吗？分割文件将全部保留。");
inline constexpr Text kPiecesKept = QT_TRANSLATE_NOOP("Velda", "\n\n分割文件都已保留。");
inline constexpr Text kSplitDone = QT_TRANSLATE_NOOP("Velda", "文件分割完成！");
inline constexpr Text kMergeDone = QT_TRANSLATE_NOOP("Velda", "文件合并完成！");
inline constexpr Text kReplaceJoined = QT_TRANSLATE_NOOP("Velda", "%1 已存在，要替换它吗？");
inline constexpr Text kStopAndQuit = QT_TRANSLATE_NOOP("Velda", "任务正在进行，确定要停止并退出吗？");

// Information line.
inline constexpr Text kOpenFileForSizeFailed = QT_TRANSLATE_NOOP("Velda", "打开文件失败，无法获知文件大小");
inline constexpr Text kInfoSizeWhole = QT_TRANSLATE_NOOP("Velda", "文件总大小：%1 M");
inline constexpr Text kInfoFree = QT_TRANSLATE_NOOP("Velda", "，存放分隔文件的磁盘剩余空间大小：%1 M");
inline constexpr Text kInfoFreeUnknown = QT_TRANSLATE_NOOP("Velda", "，存放分隔文件的磁盘剩余空间大小：未知");

// Menu.
inline constexpr Text kMenuHelp = QT_TRANSLATE_NOOP("Velda", "软件简介");
inline constexpr Text kMenuFeatures = QT_TRANSLATE_NOOP("Velda", "具体功能");
inline constexpr Text kMenuUsage = QT_TRANSLATE_NOOP("Velda", "使用说明");
inline constexpr Text kMenuShowProgress = QT_TRANSLATE_NOOP("Velda", "显示进度条");
inline constexpr Text kMenuEnlargeBuffer = QT_TRANSLATE_NOOP("Velda", "增大缓冲区");
inline constexpr Text kMenuPieceFolder = QT_TRANSLATE_NOOP("Velda", "分隔文件存放目录选择");
inline constexpr Text kMenuMultithreading = QT_TRANSLATE_NOOP("Velda", "使用多线程");
inline constexpr Text kMenuChecksum = QT_TRANSLATE_NOOP("Velda", "生成校验文件");
inline constexpr Text kMenuAboutMaker = QT_TRANSLATE_NOOP("Velda", "关于岚舟");
inline constexpr Text kMenuForum = QT_TRANSLATE_NOOP("Velda", "我的论坛");
inline constexpr Text kMenuWriteToMe = QT_TRANSLATE_NOOP("Velda", "给我写信");
inline constexpr Text kMenuAbout = QT_TRANSLATE_NOOP("Velda", "岚舟简介");
inline constexpr Text kChooseFolderTitle = QT_TRANSLATE_NOOP("Velda", "修改分隔文件保存路径");
inline constexpr Text kFolderWithoutPath = QT_TRANSLATE_NOOP("Velda", "所选项目不是文件夹，请重新选择！");

inline constexpr Text kFeaturesText = QT_TRANSLATE_NOOP("Velda",
    "软件功能就是可以把任意类型的大文件分割成很多小文件，然后在另一个地方，把那些小文件还原成大文件，因为就是简单的分割"
    "与合并，所以理论上是兼容其他分割文件工具的。支持大文件风格，比如4G以上的镜像文件。");
inline constexpr Text kUsageText = QT_TRANSLATE_NOOP("Velda",
    "合并文件的时候，可以一次性选择多个文件，不用一个个添加，对于电脑性能不强，硬盘速度不快的机子，用"
    "多线程很可能并不比单线程来得快！如有更多问题，请到岚舟书斋论坛咨询！");

// The command line (velda --help, velda split, velda join).
inline constexpr Text kCliVersion = QT_TRANSLATE_NOOP("Velda", "velda（岚舟文件分割机）%1");
inline constexpr Text kCliUnknownOption = QT_TRANSLATE_NOOP("Velda", "未知选项：%1");
inline constexpr Text kCliBadOptionUse = QT_TRANSLATE_NOOP("Velda", "选项缺少取值，或不应带取值：%1");
inline constexpr Text kCliMissingSplitFile = QT_TRANSLATE_NOOP("Velda", "请给出要分割的文件。");
inline constexpr Text kCliMissingPieces = QT_TRANSLATE_NOOP("Velda", "请给出要合并的分割文件。");
inline constexpr Text kCliExtraArgument = QT_TRANSLATE_NOOP("Velda", "只能分割一个文件，多余的参数：%1");
inline constexpr Text kCliBadThreads = QT_TRANSLATE_NOOP("Velda", "--threads 只能是 one 或 piece：%1");
inline constexpr Text kCliBadBufferFactor
    = QT_TRANSLATE_NOOP("Velda", "--buffer-factor 只能是 10、100、1000 或 10000：%1");
//: A message box on the terminal: its caption, then its text.
inline constexpr Text kCliMessage = QT_TRANSLATE_NOOP("Velda", "%1：%2");
//: A message, then the file it is about.
inline constexpr Text kCliAboutFile = QT_TRANSLATE_NOOP("Velda", "%1（%2）");
inline constexpr Text kCliSeeHelp = QT_TRANSLATE_NOOP("Velda", "用法见 velda --help。");
inline constexpr Text kCliJoinedExists
    = QT_TRANSLATE_NOOP("Velda", "%1 已存在，不会替换它；请先移走或删除它，或用 --force 替换它。");
inline constexpr Text kCliInterrupted = QT_TRANSLATE_NOOP("Velda", "任务已中断，未完成的输出文件已删除。");
inline constexpr Text kCliFailureReason = QT_TRANSLATE_NOOP("Velda", "（%1：%2）");
inline constexpr Text kCliFailurePath = QT_TRANSLATE_NOOP("Velda", "（%1）");
inline constexpr Text kCliWriteFailed = QT_TRANSLATE_NOOP("Velda", "写入失败！");
inline constexpr Text kCliStandardOutput = QT_TRANSLATE_NOOP("Velda", "标准输出");
inline constexpr Text kCliBadSize
    = QT_TRANSLATE_NOOP("Velda", "--size 须是不小于 65,536 字节的大小，如 700（单位 M）、1.5G、100MiB 或 4GB：%1");
inline constexpr Text kCliUnknownCommand = QT_TRANSLATE_NOOP("Velda",
    "“%1”既不是命令，也不是存在的文件。命令只有 split（velda split 文件）、join（velda join 分割文件…）"
    "和 verify（velda verify 分割文件…）；"
    "不带命令时，velda 打开窗口，给出的文件须存在。");
inline constexpr Text kCliNoDisplay = QT_TRANSLATE_NOOP(
    "Velda", "无法打开显示器（%1），窗口无法显示。不需要显示器的 velda split 和 velda join 仍可使用。");
inline constexpr Text kCliNoDisplaySet = QT_TRANSLATE_NOOP("Velda", "DISPLAY 和 WAYLAND_DISPLAY 都未设置");

inline constexpr Text kCliHelp = QT_TRANSLATE_NOOP("Velda", R"(名称
    velda — 岚舟文件分割机：把文件按大小分割成多份，再把分割文件合并还原

用法
    velda [文件…]
    velda split 文件 [--size 大小 | --pieces N] [--folder 文件夹] [--threads one|piece]
                [--buffer-factor N] [--checksum] [-q]
    velda join 分割文件… [-o 路径|-] [--force] [--threads one|piece] [--buffer-factor N]
                [--delete-pieces] [-q]
    velda verify 分割文件…
    velda --help | --version

说明
    不带子命令时打开窗口。给出一个普通文件时，窗口处于“文件分割”，路径和文件信息已填好；
    给出分割文件（名为 名称000.扩展名.qv 这样的文件）时处于“文件合并”，按序号列出它们；只给出
    一个分割文件时，同一文件夹中同一组的其他分割文件也一并列出。第一个参数既不是 split、join、
    verify，也不是存在的文件时（例如拼错的命令），不打开窗口，退出状态 2。其余给出的文件不存在或
    无法读取时，窗口照常打开，并显示与“浏览”相同的提示。没有显示器时，窗口无法打开，退出状态 1。

    split、join 和 verify 不打开窗口，也不需要显示器：在终端中分割、合并或检查，规则与窗口相同。
    所有提示都写到标准错误，失败时在提示后面的括号中写明涉及的文件和系统给出的原因。标准错误是
    终端时，一行进度显示已完成的字节数和总数、百分比、速度、已用时间和剩余时间，结束后留下一行
    小结；含控制字符的文件名加引号显示（如 'a'$'\033''[31mred'）。

    velda split 文件
        把文件分割成 名称000.扩展名.qv、名称001.扩展名.qv……
        --size 大小            每份大小，默认 250。只写数字时单位为 M（1 M = 1,000,000 字节）；
                               可带单位 K、M、G、T 或 KiB、MiB、GiB、TiB（1024 的幂），KB、MB、GB、TB
                               （1000 的幂），如 1.5G、100MiB、4GB。每份实际为它向下取整到 65,536
                               字节的整数倍，不能小于 65,536 字节
        --pieces N             分成大小相等的 N 份（每份向上取整到 65,536 字节的整数倍，小文件可能
                               分不满 N 份，此时会说明实际份数）；不能与 --size 同用
        --folder 文件夹        存放分割文件的文件夹，默认为文件所在的文件夹
        --threads one|piece    one：一个工作线程（默认）；piece：每份文件一个线程
        --buffer-factor N      每次映射的视图为 N 倍分配粒度，N 为 10（默认）、100、1000 或 10000
        --checksum             另写校验文件 名称.扩展名.sha256（可用 sha256sum -c 检查）
        -q, --quiet            不显示进度、小结和成功提示（错误照常显示）

    velda join 分割文件…
        按序号合并分割文件；合并后的文件放在第一个给出的分割文件所在的文件夹，名称去掉序号和 .qv。
        只给出一个分割文件时，合并它所在文件夹中同一组的全部分割文件。缺少某一份、某一份偏小、
        有两组分割文件、不是分割文件或文件夹中还有同组的其他分割文件时不合并（退出状态 1）。也合并
        名称.001、名称.002…… 这样编号的分割文件，合并后名为“名称”。
        旁边有校验文件（名称.扩展名.sha256）时，先检查分割文件，合并后再检查合并出的文件。
        -o, --output 路径      合并后的文件放到这里：路径是文件夹时放在其中，否则用作文件名。给出
                               -o 时，不是分割文件的文件（xaa xab xac、part1 part2）按给出的顺序合并，
                               与 cat 相同
        -o -                   把合并出的数据写到标准输出（如接 tar x 或 sha256sum）：先检查这组分割
                               文件（有校验文件时逐个核对），再写出；写出的数据无法收回，因此不能与
                               --delete-pieces 同用；标准输出是终端时不写
        --force                合并后的文件所在位置已有文件时替换它（否则不合并，退出状态 1）
        --threads one|piece    one：一个工作线程（默认）；piece：每份文件一个线程
        --buffer-factor N      每次映射的视图为 N 倍分配粒度，N 为 10（默认）、100、1000 或 10000
        --delete-pieces        合并完全成功并写入磁盘后，删除这些分割文件
        -q, --quiet            不显示进度、小结和成功提示（错误照常显示）

    velda verify 分割文件…
        只检查，不合并，不写任何文件：规则与 join 相同，旁边有校验文件时逐个核对分割文件。每个问题
        写一行，最后说明是按校验文件检查的，还是只按名称和大小检查的（此时缺少最后一份无法发现）。
        完整时退出状态 0，否则 1。

    按 Ctrl+C（或发送 SIGTERM，或关闭终端、断开连接即 SIGHUP）会停止任务，删除它写出的文件：
    停止的分割不留下任何一份分割文件（一组分割文件要么完整，要么一份也没有），停止的合并不留下
    合并出的文件，分割文件都保留。只给出一组中的前几份时 join 不合并。

退出状态
    0    成功（verify：这组分割文件完整）
    1    任务失败（提示写在标准错误上），verify 发现问题，没有显示器而无法打开窗口，或帮助、结果
         无法写出
    2    用法错误：未知的命令或选项、缺少文件、--size、--pieces、--threads 或 --buffer-factor 的
         取值无效
    130  被 Ctrl+C（SIGINT）中断；被 SIGTERM 停止时为 143，被 SIGHUP 停止时为 129

示例
    velda movie.avi
    velda split movie.avi --size 700 --folder /media/usb
    velda split disk.img --size 4GiB
    velda join /media/usb/movie000.avi.qv --delete-pieces
    velda join /media/dvd/backup000.tar.qv -o - | tar x
    velda join xaa xab xac -o big.iso
    velda verify /media/usb/movie000.avi.qv
)");

inline constexpr Text kCliSplitHelp = QT_TRANSLATE_NOOP("Velda", R"(用法
    velda split 文件 [--size 大小 | --pieces N] [--folder 文件夹] [--threads one|piece]
                [--buffer-factor N] [--checksum] [-q]

    把文件分割成 名称000.扩展名.qv、名称001.扩展名.qv……，不打开窗口。
    --size 大小            每份大小，默认 250。只写数字时单位为 M（1 M = 1,000,000 字节）；
                           可带单位 K、M、G、T 或 KiB、MiB、GiB、TiB（1024 的幂），KB、MB、GB、TB
                           （1000 的幂），如 1.5G、100MiB、4GB。每份实际为它向下取整到 65,536
                           字节的整数倍，不能小于 65,536 字节
    --pieces N             分成大小相等的 N 份（每份向上取整到 65,536 字节的整数倍，小文件可能
                           分不满 N 份，此时会说明实际份数）；不能与 --size 同用
    --folder 文件夹        存放分割文件的文件夹，默认为文件所在的文件夹
    --threads one|piece    one：一个工作线程（默认）；piece：每份文件一个线程
    --buffer-factor N      每次映射的视图为 N 倍分配粒度，N 为 10（默认）、100、1000 或 10000
    --checksum             另写校验文件 名称.扩展名.sha256（可用 sha256sum -c 检查）
    -q, --quiet            不显示进度、小结和成功提示（错误照常显示）

    退出状态：0 成功，1 失败，2 用法错误，130 被 Ctrl+C 中断（SIGTERM 为 143，SIGHUP 为 129）。
示例
    velda split movie.avi --size 700 --folder /media/usb
    velda split disk.img --pieces 4
)");

inline constexpr Text kCliJoinHelp = QT_TRANSLATE_NOOP("Velda", R"(用法
    velda join 分割文件… [-o 路径|-] [--force] [--threads one|piece] [--buffer-factor N]
               [--delete-pieces] [-q]

    按序号合并分割文件，不打开窗口。合并后的文件放在第一个给出的分割文件所在的文件夹，
    名称去掉序号和 .qv。只给出一个分割文件时，合并它所在文件夹中同一组的全部分割文件。
    缺少某一份、某一份偏小、有两组分割文件、不是分割文件或文件夹中还有同组的其他分割文件时
    不合并（退出状态 1），分割文件都保留。
    旁边有校验文件（名称.扩展名.sha256）时，先检查其中列出的分割文件，
    合并后再检查合并出的文件，不符时合并失败，分割文件都保留。
    -o, --output 路径      合并后的文件放到这里：路径是文件夹时放在其中，否则用作文件名。给出
                           -o 时，不是分割文件的文件（xaa xab xac、part1 part2）按给出的顺序合并，
                           与 cat 相同
    -o -                   把合并出的数据写到标准输出（如接 tar x 或 sha256sum）：先检查这组分割
                           文件（有校验文件时逐个核对），再写出；写出的数据无法收回，因此不能与
                           --delete-pieces 同用；标准输出是终端时不写
    --force                合并后的文件所在位置已有文件时替换它（否则不合并，退出状态 1）
    --threads one|piece    one：一个工作线程（默认）；piece：每份文件一个线程
    --buffer-factor N      每次映射的视图为 N 倍分配粒度，N 为 10（默认）、100、1000 或 10000
    --delete-pieces        合并完全成功并写入磁盘后，删除这些分割文件
    -q, --quiet            不显示进度、小结和成功提示（错误照常显示）

    退出状态：0 成功，1 失败，2 用法错误，130 被 Ctrl+C 中断（SIGTERM 为 143，SIGHUP 为 129）。
示例
    velda join movie000.avi.qv --delete-pieces
    velda join movie000.avi.qv -o - | sha256sum
)");

// The command line's sizes, progress line and summary.
//: The progress line: bytes done, of the total, percentage, rate, time elapsed, time left.
inline constexpr Text kCliProgressLine = QT_TRANSLATE_NOOP("Velda", "%1 / %2（%3%），%4/秒，已用 %5，剩余 %6");
//: The line a job leaves on the terminal: bytes, time, rate, number of pieces.
inline constexpr Text kCliSummary = QT_TRANSLATE_NOOP("Velda", "%1，用时 %2，%3/秒，共 %4 份");
inline constexpr Text kCliSummaryOnePiece = QT_TRANSLATE_NOOP("Velda", "%1，用时 %2，%3/秒，1 份");
inline constexpr Text kCliSeconds = QT_TRANSLATE_NOOP("Velda", "%1 秒");
inline constexpr Text kCliBadPieceCount = QT_TRANSLATE_NOOP("Velda", "--pieces 须是大于 0 的整数：%1");
inline constexpr Text kCliSizeOrPieces = QT_TRANSLATE_NOOP("Velda", "--size 和 --pieces 只能给出一个。");
inline constexpr Text kCliFewerPieces
    = QT_TRANSLATE_NOOP("Velda", "每份大小须是 65,536 字节的整数倍，这个文件只能分成 %1 份（每份 %2 字节）。");

// velda join -o, velda verify.
inline constexpr Text kCliEmptyOutput = QT_TRANSLATE_NOOP("Velda", "-o/--output 须是一个路径，或 -（标准输出）。");
inline constexpr Text kCliStreamKeepsPieces
    = QT_TRANSLATE_NOOP("Velda", "--delete-pieces 不能与 -o - 同用：写到标准输出的数据无法收回，分割文件须保留。");
inline constexpr Text kCliStreamToTerminal
    = QT_TRANSLATE_NOOP("Velda", "标准输出是终端，合并出的数据不会写到终端上；请重定向到文件或管道。");
inline constexpr Text kCliStreamStopped = QT_TRANSLATE_NOOP("Velda", "任务已中断，写到标准输出的数据不完整。");

inline constexpr Text kCliVerifiedByNames
    = QT_TRANSLATE_NOOP("Velda", "只按名称和大小检查了 %1 个文件：旁边没有校验文件，缺少最后一份时无法发现。");
inline constexpr Text kCliVerifiedByChecksums = QT_TRANSLATE_NOOP("Velda", "已按校验文件 %1 检查了 %2 个文件。");
inline constexpr Text kCliVerifyWhole = QT_TRANSLATE_NOOP("Velda", "这组分割文件完整。");
inline constexpr Text kCliVerifyNotWhole
    = QT_TRANSLATE_NOOP("Velda", "这组分割文件不完整，或与校验文件不符：合并出的文件不会是原文件。");
inline constexpr Text kCliVerifyMismatch = QT_TRANSLATE_NOOP("Velda", "分割文件 %1 与校验文件不符。");
inline constexpr Text kCliVerifyHelp = QT_TRANSLATE_NOOP("Velda", R"(用法
    velda verify 分割文件…

    检查一组分割文件是否完整，不合并，不写任何文件。只给出一个分割文件时，检查它所在文件夹中
    同一组的全部分割文件。按与 velda join 相同的规则检查：缺少某一份、某一份偏小、有两组分割
    文件或不是分割文件，每个问题写一行。旁边有校验文件（名称.扩展名.sha256）时，逐个计算分割文件的
    SHA-256 并与之核对；没有校验文件时只按名称和大小检查，缺少最后一份时无法发现。最后一行说明
    是按哪种方式检查的。

    退出状态：0 完整（且与校验文件相符），1 有问题，2 用法错误。
示例
    velda verify movie000.avi.qv
)");

inline constexpr Text kCliVerifyUnreadable = QT_TRANSLATE_NOOP("Velda", "无法读取分割文件 %1。");
inline constexpr Text kChecksumLineUnreadable = QT_TRANSLATE_NOOP("Velda",
    "校验文件 %1 的第 %2 行不是 sha256sum 能读懂的校验行，它所说的文件无法校验！请改正该行或移走校验文件后再试。");
inline constexpr Text kChecksumStopped = QT_TRANSLATE_NOOP("Velda", "计算校验值时任务被停止。");

// The captions of the two help boxes.
inline constexpr Text kCaptionFeatures = QT_TRANSLATE_NOOP("Velda", "软件功能");
inline constexpr Text kCaptionUsage = QT_TRANSLATE_NOOP("Velda", "使用方法");

// The last entry of the about menu, the caption of the box it opens, and the box's text: %1 the
// program's version, %2 the version of Qt it runs on.
inline constexpr Text kMenuAboutVelda = QT_TRANSLATE_NOOP("Velda", "关于岚舟文件分割机");
inline constexpr Text kAboutText = QT_TRANSLATE_NOOP("Velda", R"(岚舟文件分割机 %1

把任意文件分割成指定大小的多份，再把这些分割文件合并还原成一个文件。

许可证：MIT
Qt 版本：%2)");

// The desktop notification of a long job that ended while the window was not in front: what
// ended and how (the file goes below it).
inline constexpr Text kNoticeSplitDone = QT_TRANSLATE_NOOP("Velda", "分割完成");
inline constexpr Text kNoticeSplitFailed = QT_TRANSLATE_NOOP("Velda", "分割失败");
inline constexpr Text kNoticeSplitStopped = QT_TRANSLATE_NOOP("Velda", "分割已停止");
inline constexpr Text kNoticeMergeDone = QT_TRANSLATE_NOOP("Velda", "合并完成");
inline constexpr Text kNoticeMergeFailed = QT_TRANSLATE_NOOP("Velda", "合并失败");
inline constexpr Text kNoticeMergeStopped = QT_TRANSLATE_NOOP("Velda", "合并已停止");

} // namespace texts
