<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="zh_CN">
<context>
    <name>Velda</name>
    <message>
        <source>岚舟文件分割机</source>
        <translation>Velda File Splitter</translation>
    </message>
    <message>
        <source>——总耗时：</source>
        <translation> — Total time: </translation>
    </message>
    <message>
        <source>错误</source>
        <translation>Error</translation>
    </message>
    <message>
        <source>成功</source>
        <translation>Done</translation>
    </message>
    <message>
        <source>提示</source>
        <translation>Confirm</translation>
    </message>
    <message>
        <source>文件分割</source>
        <translation>Split a file</translation>
    </message>
    <message>
        <source>文件合并</source>
        <translation>Join pieces</translation>
    </message>
    <message>
        <source>开始分割</source>
        <translation>Split</translation>
    </message>
    <message>
        <source>开始合并</source>
        <translation>Join</translation>
    </message>
    <message>
        <source>正在分割</source>
        <translation>Splitting...</translation>
    </message>
    <message>
        <source>正在合并</source>
        <translation>Joining...</translation>
    </message>
    <message>
        <source>正在</source>
        <extracomment>Part of both running captions above and of no other: a start button whose caption holds it marks a running job.</extracomment>
        <translation>...</translation>
    </message>
    <message>
        <source>文件:</source>
        <translation>File:</translation>
    </message>
    <message>
        <source>浏览</source>
        <translation>Browse</translation>
    </message>
    <message>
        <source>M</source>
        <translation>MB</translation>
    </message>
    <message>
        <source>功能选择:</source>
        <translation>Task:</translation>
    </message>
    <message>
        <source>关闭程序</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>删除</source>
        <translation>Remove</translation>
    </message>
    <message>
        <source>按大小分割每份:</source>
        <translation>Piece size:</translation>
    </message>
    <message>
        <source>*.* (*)</source>
        <translation>*.* (*)</translation>
    </message>
    <message>
        <source>All files (*)</source>
        <translation>All files (*)</translation>
    </message>
    <message>
        <source>*.qv *.001 (*.qv *.[0-9][0-9][0-9] *.[0-9][0-9][0-9][0-9] *.[0-9][0-9][0-9][0-9][0-9])</source>
        <translation>Pieces (*.qv *.[0-9][0-9][0-9] *.[0-9][0-9][0-9][0-9] *.[0-9][0-9][0-9][0-9][0-9])</translation>
    </message>
    <message>
        <source>合并完成后，删除原分割文件。</source>
        <translation>Delete the pieces after joining</translation>
    </message>
    <message>
        <source>存放分隔文件的磁盘空间不够，请重新选择存放分隔文件的文件夹路径！</source>
        <translation>There is not enough free space for the pieces. Please choose another folder for pieces.</translation>
    </message>
    <message>
        <source>请确保文件存在！</source>
        <translation>Please make sure the file exists.</translation>
    </message>
    <message>
        <source>打开待分割文件失败！</source>
        <translation>Could not open the file to split.</translation>
    </message>
    <message>
        <source>创建分割文件失败！</source>
        <translation>Could not create a piece.</translation>
    </message>
    <message>
        <source>创建分割文件映射失败！</source>
        <translation>Could not map a piece into memory.</translation>
    </message>
    <message>
        <source>创建待分割文件映射失败！</source>
        <translation>Could not map the file to split into memory.</translation>
    </message>
    <message>
        <source>请输入有效的分割大小！</source>
        <translation>Please enter a valid piece size.</translation>
    </message>
    <message>
        <source>请先添加需要合并的文件！</source>
        <translation>Please add the pieces to join first.</translation>
    </message>
    <message>
        <source>创建待合并文件失败！</source>
        <translation>Could not open a piece.</translation>
    </message>
    <message>
        <source>创建合并文件映射失败！</source>
        <translation>Could not map a file of the join into memory.</translation>
    </message>
    <message>
        <source>打开待合并文件失败！</source>
        <translation>Could not create the joined file.</translation>
    </message>
    <message>
        <source>合并后的文件就是待合并文件之一，请重新选择！</source>
        <translation>The joined file would be one of the pieces. Please choose again.</translation>
    </message>
    <message>
        <source>复制文件数据失败！</source>
        <translation>Copying the data failed.</translation>
    </message>
    <message>
        <source>合并文件写入磁盘失败！</source>
        <translation>The joined file could not be written to disk.</translation>
    </message>
    <message>
        <source>

注意：文件夹中的校验文件“%1”是以前分割时生成的，与这次的分割文件不符；合并前请删除它。</source>
        <translation>

Note: the checksum file “%1” in the folder is from an earlier split and does not match these pieces. Delete it before joining.</translation>
    </message>
    <message>
        <source>无法写入校验文件 %1！</source>
        <translation>Could not write the checksum file %1.</translation>
    </message>
    <message>
        <source>无法读取校验文件 %1！</source>
        <translation>Could not read the checksum file %1.</translation>
    </message>
    <message>
        <source>分割文件 %1 与校验文件不符，合并出的文件不会是原文件！分割文件都已保留。</source>
        <translation>The piece %1 does not match the checksum file, so the joined file would not be the original. All pieces were kept.</translation>
    </message>
    <message>
        <source>校验文件中的分割文件 %1 不在合并列表中，合并出的文件不会是原文件！</source>
        <translation>The piece %1 named in the checksum file is not in the list, so the joined file would not be the original.</translation>
    </message>
    <message>
        <source>合并出的文件 %1 与校验文件不符，已删除！分割文件都已保留。</source>
        <translation>The joined file %1 does not match the checksum file and was deleted. All pieces were kept.</translation>
    </message>
    <message>
        <source>启动工作线程失败！</source>
        <translation>Could not start a worker thread.</translation>
    </message>
    <message>
        <source>文件“%1”正被另一个任务使用，请等它结束后再试！</source>
        <translation>The file “%1” is in use by another job. Please try again when that job has finished.</translation>
    </message>
    <message>
        <source>待分割文件在分割过程中被修改了，这次的分割文件已删除，请重新分割！</source>
        <translation>The file was changed while it was being split. The pieces of this split were deleted; please split it again.</translation>
    </message>
    <message>
        <source>列表中的“%1”与另一项是同一个文件，请删除重复的一项！</source>
        <translation>“%1” in the list is the same file as another entry. Please remove the duplicate.</translation>
    </message>
    <message>
        <source>

注意：文件夹中还有 %1 个编号更大的同名分割文件（第一个是“%2”），它们不是这次分割生成的，合并时不要选择它们。</source>
        <translation>

Note: the folder also holds pieces of the same name with higher numbers (%1 of them, the first is “%2”). They are not from this split: do not pick them when joining.</translation>
    </message>
    <message>
        <source>文件分割完成！</source>
        <translation>The file has been split.</translation>
    </message>
    <message>
        <source>文件合并完成！</source>
        <translation>The pieces have been joined.</translation>
    </message>
    <message>
        <source>%1 已存在，要替换它吗？</source>
        <translation>%1 already exists. Do you want to replace it?</translation>
    </message>
    <message>
        <source>任务正在进行，确定要停止并退出吗？</source>
        <translation>A job is running. Stop it and quit?</translation>
    </message>
    <message>
        <source>打开文件失败，无法获知文件大小</source>
        <translation>Could not open the file, so its size is unknown.</translation>
    </message>
    <message>
        <source>文件总大小：%1 M</source>
        <translation>File size: %1 MB</translation>
    </message>
    <message>
        <source>，存放分隔文件的磁盘剩余空间大小：%1 M</source>
        <translation>, free space for pieces: %1 MB</translation>
    </message>
    <message>
        <source>，存放分隔文件的磁盘剩余空间大小：未知</source>
        <translation>, free space for pieces: unknown</translation>
    </message>
    <message>
        <source>软件简介</source>
        <translation>Options</translation>
    </message>
    <message>
        <source>具体功能</source>
        <translation>Features</translation>
    </message>
    <message>
        <source>使用说明</source>
        <translation>How to Use</translation>
    </message>
    <message>
        <source>显示进度条</source>
        <translation>Show Progress</translation>
    </message>
    <message>
        <source>增大缓冲区</source>
        <translation>Increase Buffer</translation>
    </message>
    <message>
        <source>分隔文件存放目录选择</source>
        <translation>Folder for Pieces...</translation>
    </message>
    <message>
        <source>使用多线程</source>
        <translation>Use Multiple Threads</translation>
    </message>
    <message>
        <source>生成校验文件</source>
        <translation>Write Checksum File</translation>
    </message>
    <message>
        <source>关于岚舟</source>
        <translation>About</translation>
    </message>
    <message>
        <source>我的论坛</source>
        <translation>Forum</translation>
    </message>
    <message>
        <source>给我写信</source>
        <translation>Write to Me</translation>
    </message>
    <message>
        <source>岚舟简介</source>
        <translation>About the Author</translation>
    </message>
    <message>
        <source>修改分隔文件保存路径</source>
        <translation>Choose the Folder for Pieces</translation>
    </message>
    <message>
        <source>所选项目不是文件夹，请重新选择！</source>
        <translation>The chosen item is not a folder. Please choose again.</translation>
    </message>
    <message>
        <source>软件功能就是可以把任意类型的大文件分割成很多小文件，然后在另一个地方，把那些小文件还原成大文件，因为就是简单的分割与合并，所以理论上是兼容其他分割文件工具的。支持大文件风格，比如4G以上的镜像文件。</source>
        <translation>Velda cuts a large file of any type into smaller pieces and joins the pieces back into the original file, wherever you take them. Since it simply cuts and joins, it also works with pieces made by other splitting tools that cut the same way. Large files, such as disc images over 4 GB, are no problem.</translation>
    </message>
    <message>
        <source>合并文件的时候，可以一次性选择多个文件，不用一个个添加，对于电脑性能不强，硬盘速度不快的机子，用多线程很可能并不比单线程来得快！如有更多问题，请到岚舟书斋论坛咨询！</source>
        <translation>When joining, you can pick many pieces at once instead of adding them one by one. On a computer with a slow processor or disk, multiple threads may well be no faster than one. For more questions, please ask in the author&apos;s forum (About → Forum).</translation>
    </message>
    <message>
        <source>velda（岚舟文件分割机）%1</source>
        <translation>velda (Velda File Splitter) %1</translation>
    </message>
    <message>
        <source>未知选项：%1</source>
        <translation>unknown option: %1</translation>
    </message>
    <message>
        <source>选项缺少取值，或不应带取值：%1</source>
        <translation>option without its value, or with a value it does not take: %1</translation>
    </message>
    <message>
        <source>请给出要分割的文件。</source>
        <translation>Name the file to split.</translation>
    </message>
    <message>
        <source>请给出要合并的分割文件。</source>
        <translation>Name the pieces to join.</translation>
    </message>
    <message>
        <source>只能分割一个文件，多余的参数：%1</source>
        <translation>Only one file can be split at a time; extra argument: %1</translation>
    </message>
    <message>
        <source>--threads 只能是 one 或 piece：%1</source>
        <translation>--threads must be one or piece: %1</translation>
    </message>
    <message>
        <source>--buffer-factor 只能是 10、100、1000 或 10000：%1</source>
        <translation>--buffer-factor must be 10, 100, 1000 or 10000: %1</translation>
    </message>
    <message>
        <source>%1：%2</source>
        <extracomment>A message box on the terminal: its caption, then its text.</extracomment>
        <translation>%1: %2</translation>
    </message>
    <message>
        <source>%1（%2）</source>
        <extracomment>A message, then the file it is about.</extracomment>
        <translation>%1 (%2)</translation>
    </message>
    <message>
        <source>用法见 velda --help。</source>
        <translation>See velda --help for usage.</translation>
    </message>
    <message>
        <source>任务已中断，未完成的输出文件已删除。</source>
        <translation>Job interrupted; its unfinished output was deleted.</translation>
    </message>
    <message>
        <source>缺少分割文件 %1，合并出的文件将不完整！</source>
        <translation>The piece %1 is missing, so the joined file will be incomplete.</translation>
    </message>
    <message>
        <source>分割文件 %1 比同组的其他分割文件小，可能没有下载完整，合并出的文件将不完整！</source>
        <translation>The piece %1 is smaller than the other pieces of its set and may not have been downloaded completely, so the joined file will be incomplete.</translation>
    </message>
    <message>
        <source>列表中的文件不属于同一组分割文件（%1 属于另一组），合并后的文件将不是其中任何一个原文件！</source>
        <translation>The files in the list are not pieces of one set (%1 belongs to another), so the joined file will not be any of the original files.</translation>
    </message>
    <message>
        <source>%1 不是分割文件，合并后的文件将不是原文件！</source>
        <translation>%1 is not a piece, so the joined file will not be the original file.</translation>
    </message>
    <message>
        <source>

仍要合并吗？分割文件将全部保留。</source>
        <translation>

Join anyway? All pieces will be kept.</translation>
    </message>
    <message>
        <source>

分割文件都已保留。</source>
        <translation>

All pieces were kept.</translation>
    </message>
    <message>
        <source>（%1：%2）</source>
        <translation> (%1: %2)</translation>
    </message>
    <message>
        <source>（%1）</source>
        <translation> (%1)</translation>
    </message>
    <message>
        <source>写入失败！</source>
        <translation>Could not write the output.</translation>
    </message>
    <message>
        <source>标准输出</source>
        <translation>standard output</translation>
    </message>
    <message>
        <source>无法打开显示器（%1），窗口无法显示。不需要显示器的 velda split 和 velda join 仍可使用。</source>
        <translation>Cannot open a display (%1), so the window cannot be shown. velda split and velda join need no display and still work.</translation>
    </message>
    <message>
        <source>DISPLAY 和 WAYLAND_DISPLAY 都未设置</source>
        <translation>neither DISPLAY nor WAYLAND_DISPLAY is set</translation>
    </message>
    <message>
        <source>校验文件 %1 不是普通文件，或者大得不像校验文件，不会读取它！请移走它后再合并。</source>
        <translation>The checksum file %1 is not an ordinary file, or is far too large for one, so it is not read. Move it away, then join again.</translation>
    </message>
    <message>
        <source>校验文件 %1 中没有一行属于这些分割文件，合并将不做校验！</source>
        <translation>No line of the checksum file %1 is about these pieces, so the join would check nothing.</translation>
    </message>
    <message>
        <source>校验文件 %1 中没有一行属于这些分割文件，不经校验不会合并；确认无误时请移走该校验文件后再合并。</source>
        <translation>No line of the checksum file %1 is about these pieces; they are not joined unchecked. If they are right, move the checksum file away and join again.</translation>
    </message>
    <message>
        <source>分割文件写入磁盘失败！</source>
        <translation>A piece could not be written to disk.</translation>
    </message>
    <message>
        <source>--size 须是不小于 65,536 字节的大小，如 700（单位 M）、1.5G、100MiB 或 4GB：%1</source>
        <translation>--size must be a size of at least 65,536 bytes, such as 700 (in MB), 1.5G, 100MiB or 4GB: %1</translation>
    </message>
    <message>
        <source>%1 / %2（%3%），%4/秒，已用 %5，剩余 %6</source>
        <extracomment>The progress line: bytes done, of the total, percentage, rate, time elapsed, time left.</extracomment>
        <translation>%1 / %2 (%3%), %4/s, %5 elapsed, %6 left</translation>
    </message>
    <message>
        <source>%1，用时 %2，%3/秒，共 %4 份</source>
        <extracomment>The line a job leaves on the terminal: bytes, time, rate, number of pieces.</extracomment>
        <translation>%1 in %2, %3/s, %4 pieces</translation>
    </message>
    <message>
        <source>%1，用时 %2，%3/秒，1 份</source>
        <translation>%1 in %2, %3/s, 1 piece</translation>
    </message>
    <message>
        <source>%1 秒</source>
        <translation>%1 s</translation>
    </message>
    <message>
        <source>--pieces 须是大于 0 的整数：%1</source>
        <translation>--pieces must be a whole number above 0: %1</translation>
    </message>
    <message>
        <source>--size 和 --pieces 只能给出一个。</source>
        <translation>Give either --size or --pieces, not both.</translation>
    </message>
    <message>
        <source>每份大小须是 65,536 字节的整数倍，这个文件只能分成 %1 份（每份 %2 字节）。</source>
        <translation>A piece&apos;s size must be a multiple of 65,536 bytes, so this file makes only %1 pieces (%2 bytes each).</translation>
    </message>
    <message>
        <source>-o/--output 须是一个路径，或 -（标准输出）。</source>
        <translation>-o/--output must be a path, or - (standard output).</translation>
    </message>
    <message>
        <source>--delete-pieces 不能与 -o - 同用：写到标准输出的数据无法收回，分割文件须保留。</source>
        <translation>--delete-pieces cannot be used with -o -: what went to standard output cannot be taken back, so the pieces must stay.</translation>
    </message>
    <message>
        <source>标准输出是终端，合并出的数据不会写到终端上；请重定向到文件或管道。</source>
        <translation>Standard output is a terminal; the joined bytes are not written to a terminal. Redirect it to a file or a pipe.</translation>
    </message>
    <message>
        <source>任务已中断，写到标准输出的数据不完整。</source>
        <translation>Job interrupted; what was written to standard output is incomplete.</translation>
    </message>
    <message>
        <source>文件夹中还有同组的分割文件 %1 不在合并列表中，合并出的文件将不完整！</source>
        <translation>The piece %1 of this set is in the folder but not in the list, so the joined file will be incomplete.</translation>
    </message>
    <message>
        <source>%1 与从 .001 开始编号的分割文件在一起，无法判断它是不是这组的第一个分割文件，合并后的文件可能不是原文件！</source>
        <translation>%1 lies beside pieces numbered from .001, so it cannot be told whether it is the first piece of this set: the joined file may not be the original.</translation>
    </message>
    <message>
        <source>%1 已存在，不会替换它；请先移走或删除它，或用 --force 替换它。</source>
        <translation>%1 already exists and will not be replaced; move or delete it first, or replace it with --force.</translation>
    </message>
    <message>
        <source>“%1”既不是命令，也不是存在的文件。命令只有 split（velda split 文件）、join（velda join 分割文件…）和 verify（velda verify 分割文件…）；不带命令时，velda 打开窗口，给出的文件须存在。</source>
        <translation>&quot;%1&quot; is neither a command nor an existing file. The commands are split (velda split FILE), join (velda join PIECE…) and verify (velda verify PIECE…); without a command, velda opens its window, and the files given must exist.</translation>
    </message>
    <message>
        <source>名称
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
    小结；含控制字符的文件名加引号显示（如 &apos;a&apos;$&apos;\033&apos;&apos;[31mred&apos;）。

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
</source>
        <translation>NAME
    velda - Velda File Splitter: cuts a file into pieces and joins them back

SYNOPSIS
    velda [FILE…]
    velda split FILE [--size SIZE | --pieces N] [--folder FOLDER]
                [--threads one|piece] [--buffer-factor N] [--checksum] [-q]
    velda join PIECE… [-o PATH|-] [--force] [--threads one|piece]
               [--buffer-factor N] [--delete-pieces] [-q]
    velda verify PIECE…
    velda --help | --version

DESCRIPTION
    Without a command, velda opens its window. Given an ordinary file, the
    window starts in &quot;Split a file&quot; with the path and the file&apos;s size filled
    in; given pieces (files named like name000.ext.qv), it starts in &quot;Join
    pieces&quot; and lists them in piece order, and a single piece brings along the
    other pieces of its set in the same folder. When the first argument is
    neither split, join, verify nor an existing file (a mistyped command), no
    window opens and the exit status is 2. Another file that does not exist or
    cannot be read still opens the window, with the message that &quot;Browse&quot; would
    show. Without a display the window cannot open: exit status 1.

    split, join and verify open no window and need no display: they split,
    join or check in the terminal, by the window&apos;s rules. Every message goes to
    standard error, and a failure names, in parentheses, the file concerned and
    the system&apos;s reason. When standard error is a terminal, one line shows the
    bytes done of the total, the percentage, the rate, the time elapsed and the
    time left, and a summary line stays at the end; a file name with control
    characters is shown quoted (like &apos;a&apos;$&apos;\033&apos;&apos;[31mred&apos;).

    velda split FILE
        Cuts FILE into name000.ext.qv, name001.ext.qv, …
        --size SIZE          size of each piece, 250 by default. A plain number
                             is in MB (1 MB = 1,000,000 bytes); units K, M, G, T
                             or KiB, MiB, GiB, TiB are powers of 1024, KB, MB,
                             GB, TB powers of 1000: 1.5G, 100MiB, 4GB. A piece
                             is that size rounded down to a multiple of 65,536
                             bytes, and at least 65,536 bytes
        --pieces N           N pieces of equal size (rounded up to a multiple
                             of 65,536 bytes, so a small file may give fewer:
                             the number made is then shown); not with --size
        --folder FOLDER      the folder for the pieces, by default that of FILE
        --threads one|piece  one: one worker thread (default); piece: a thread
                             per piece
        --buffer-factor N    each mapped view is N allocation granules: 10
                             (default), 100, 1000 or 10000
        --checksum           also write the checksum file name.ext.sha256
                             (sha256sum -c reads it)
        -q, --quiet          no progress line, summary or success message
                             (errors still show)

    velda join PIECE…
        Joins the pieces in piece order into the folder of the first piece
        given, named without the number and .qv. Given one piece, it joins the
        whole set of that piece from its folder. A missing or short piece,
        pieces of two sets, a file that is no piece or more pieces of the set in
        the folder refuse the join (exit status 1). Pieces numbered name.001,
        name.002, … join into &quot;name&quot; too. When a checksum file (name.ext.sha256)
        sits beside them, the pieces are checked first and the joined file
        afterwards.
        -o, --output PATH    put the joined file there: into PATH when it is a
                             folder, else under that name. With -o, files that
                             are no pieces (xaa xab xac, part1 part2) join in
                             the order given, as cat joins them
        -o -                 write the joined bytes to standard output (for
                             tar x or sha256sum), once the set was checked (and
                             every piece against a checksum file beside them);
                             what was written cannot be taken back, so not with
                             --delete-pieces; never to a terminal
        --force              replace a file that sits where the joined file
                             goes (without it, nothing is joined: exit status 1)
        --threads one|piece  one: one worker thread (default); piece: a thread
                             per piece
        --buffer-factor N    each mapped view is N allocation granules: 10
                             (default), 100, 1000 or 10000
        --delete-pieces      delete the pieces once the joined file is complete
                             and on disk
        -q, --quiet          no progress line, summary or success message
                             (errors still show)

    velda verify PIECE…
        Checks a set without joining it and writes nothing: the join&apos;s rules,
        and every piece against a checksum file beside them. One line per
        problem, then whether it was checked against a checksum file or by names
        and sizes only (then a missing last piece cannot be seen). Exit status
        0 when the set is whole, 1 otherwise.

    Ctrl+C (or SIGTERM, or SIGHUP when the terminal closes or the connection
    drops) stops the job and deletes what it wrote: a stopped split leaves
    none of its pieces (a set is there whole or not at all), a stopped join
    no joined file, and every piece stays. Given only the first pieces of a
    set, join joins nothing.

EXIT STATUS
    0    success (verify: the set is whole)
    1    the job failed (the message is on standard error), verify found a
         problem, the window had no display, or the help or a result could not
         be written
    2    usage error: unknown command or option, missing file, bad --size,
         --pieces, --threads or --buffer-factor value
    130  interrupted by Ctrl+C (SIGINT); 143 when stopped by SIGTERM, 129 by
         SIGHUP

EXAMPLES
    velda movie.avi
    velda split movie.avi --size 700 --folder /media/usb
    velda split disk.img --size 4GiB
    velda join /media/usb/movie000.avi.qv --delete-pieces
    velda join /media/dvd/backup000.tar.qv -o - | tar x
    velda join xaa xab xac -o big.iso
    velda verify /media/usb/movie000.avi.qv
</translation>
    </message>
    <message>
        <source>用法
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
</source>
        <translation>Usage
    velda split FILE [--size SIZE | --pieces N] [--folder FOLDER]
                [--threads one|piece] [--buffer-factor N] [--checksum] [-q]

    Cuts FILE into name000.ext.qv, name001.ext.qv, … without opening a window.
    --size SIZE          size of each piece, 250 by default. A plain number is
                         in MB (1 MB = 1,000,000 bytes); units K, M, G, T or
                         KiB, MiB, GiB, TiB are powers of 1024, KB, MB, GB, TB
                         powers of 1000: 1.5G, 100MiB, 4GB. A piece is that
                         size rounded down to a multiple of 65,536 bytes, and
                         at least 65,536 bytes
    --pieces N           N pieces of equal size (rounded up to a multiple of
                         65,536 bytes, so a small file may give fewer: the
                         number made is then shown); not with --size
    --folder FOLDER      the folder for the pieces, by default that of FILE
    --threads one|piece  one: one worker thread (default); piece: a thread per
                         piece
    --buffer-factor N    each mapped view is N allocation granules: 10
                         (default), 100, 1000 or 10000
    --checksum           also write the checksum file name.ext.sha256
                         (sha256sum -c reads it)
    -q, --quiet          no progress line, summary or success message (errors
                         still show)

    Exit status: 0 success, 1 failure, 2 usage error, 130 interrupted by Ctrl+C
    (143 by SIGTERM, 129 by SIGHUP).
Examples
    velda split movie.avi --size 700 --folder /media/usb
    velda split disk.img --pieces 4
</translation>
    </message>
    <message>
        <source>用法
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
</source>
        <translation>Usage
    velda join PIECE… [-o PATH|-] [--force] [--threads one|piece]
               [--buffer-factor N] [--delete-pieces] [-q]

    Joins the pieces in piece order without opening a window. The joined file
    goes into the folder of the first piece given, named without the number and
    .qv. Given one piece, it joins the whole set of that piece from its folder.
    A missing or short piece, pieces of two sets, a file that is no piece or
    more pieces of the set in the folder refuse the join (exit status 1), and
    every piece is kept. When a checksum file (name.ext.sha256) sits beside
    them, the pieces it lists are checked first and the joined file afterwards;
    if one does not match, the join fails and every piece is kept.
    -o, --output PATH    put the joined file there: into PATH when it is a
                         folder, else under that name. With -o, files that are
                         no pieces (xaa xab xac, part1 part2) join in the order
                         given, as cat joins them
    -o -                 write the joined bytes to standard output (for tar x
                         or sha256sum), once the set was checked (and every
                         piece against a checksum file beside them); what was
                         written cannot be taken back, so not with
                         --delete-pieces; never to a terminal
    --force              replace a file that sits where the joined file goes
                         (without it, nothing is joined: exit status 1)
    --threads one|piece  one: one worker thread (default); piece: a thread per
                         piece
    --buffer-factor N    each mapped view is N allocation granules: 10
                         (default), 100, 1000 or 10000
    --delete-pieces      delete the pieces once the joined file is complete and
                         on disk
    -q, --quiet          no progress line, summary or success message (errors
                         still show)

    Exit status: 0 success, 1 failure, 2 usage error, 130 interrupted by Ctrl+C
    (143 by SIGTERM, 129 by SIGHUP).
Examples
    velda join movie000.avi.qv --delete-pieces
    velda join movie000.avi.qv -o - | sha256sum
</translation>
    </message>
    <message>
        <source>只按名称和大小检查了 %1 个文件：旁边没有校验文件，缺少最后一份时无法发现。</source>
        <translation>Checked by names and sizes only (files: %1): with no checksum file beside them, a missing last piece cannot be seen.</translation>
    </message>
    <message>
        <source>已按校验文件 %1 检查了 %2 个文件。</source>
        <translation>Checked against the checksum file %1 (files: %2).</translation>
    </message>
    <message>
        <source>这组分割文件完整。</source>
        <translation>The set is whole.</translation>
    </message>
    <message>
        <source>这组分割文件不完整，或与校验文件不符：合并出的文件不会是原文件。</source>
        <translation>The set is not whole, or does not match its checksum file: joined, it would not give the original file.</translation>
    </message>
    <message>
        <source>分割文件 %1 与校验文件不符。</source>
        <translation>The piece %1 does not match the checksum file.</translation>
    </message>
    <message>
        <source>用法
    velda verify 分割文件…

    检查一组分割文件是否完整，不合并，不写任何文件。只给出一个分割文件时，检查它所在文件夹中
    同一组的全部分割文件。按与 velda join 相同的规则检查：缺少某一份、某一份偏小、有两组分割
    文件或不是分割文件，每个问题写一行。旁边有校验文件（名称.扩展名.sha256）时，逐个计算分割文件的
    SHA-256 并与之核对；没有校验文件时只按名称和大小检查，缺少最后一份时无法发现。最后一行说明
    是按哪种方式检查的。

    退出状态：0 完整（且与校验文件相符），1 有问题，2 用法错误。
示例
    velda verify movie000.avi.qv
</source>
        <translation>Usage
    velda verify PIECE…

    Checks whether a set of pieces is whole, without joining it and without
    writing any file. Given one piece, it checks the whole set of that piece in
    its folder. The rules are those of velda join: a missing or short piece,
    pieces of two sets or a file that is no piece each give one line. When a
    checksum file (name.ext.sha256) sits beside them, every piece&apos;s SHA-256 is
    computed and compared with it; without one, only names and sizes are
    checked, and a missing last piece cannot be seen. The last lines say how
    the set was checked.

    Exit status: 0 whole (and matching its checksum file), 1 a problem, 2 usage
    error.
Example
    velda verify movie000.avi.qv
</translation>
    </message>
    <message>
        <source>“%1”已经存在，但不是本程序留下的文件，本程序不会改动它。请移走或删除它后再试！</source>
        <translation>“%1” already exists and was not left by this program, which will not touch it. Move or delete it, then try again.</translation>
    </message>
    <message>
        <source>无法读取分割文件 %1。</source>
        <translation>The piece %1 cannot be read.</translation>
    </message>
    <message>
        <source>校验文件 %1 的第 %2 行不是 sha256sum 能读懂的校验行，它所说的文件无法校验！请改正该行或移走校验文件后再试。</source>
        <translation>Line %2 of the checksum file %1 is not a checksum line that sha256sum can read, so the file it is about cannot be checked. Correct the line or move the checksum file away, then try again.</translation>
    </message>
    <message>
        <source>计算校验值时任务被停止。</source>
        <translation>The job was stopped while checksums were being computed.</translation>
    </message>
    <message>
        <source>分割文件 %1 在合并过程中被修改了，合并出的文件已删除，分割文件都已保留！</source>
        <translation>The piece %1 was changed while it was being joined. The joined file was deleted; all pieces were kept.</translation>
    </message>
    <message>
        <source>文件名“%1”不是 UTF-8 编码的，本程序无法原样保留这个名字。请先给文件改名（例如用 convmv），再重试！</source>
        <translation>The name “%1” is not UTF-8, so this program cannot keep it as it is. Rename the file (convmv can do that), then try again.</translation>
    </message>
    <message>
        <source>软件功能</source>
        <translation>What Velda Does</translation>
    </message>
    <message>
        <source>使用方法</source>
        <translation>How to Use Velda</translation>
    </message>
    <message>
        <source>关于岚舟文件分割机</source>
        <translation>About Velda</translation>
    </message>
    <message>
        <source>岚舟文件分割机 %1

把任意文件分割成指定大小的多份，再把这些分割文件合并还原成一个文件。

许可证：MIT
Qt 版本：%2</source>
        <translation>Velda File Splitter %1

Cuts any file into pieces of a chosen size and joins the pieces back into one file.

License: MIT
Qt version: %2</translation>
    </message>
    <message>
        <source>分割完成</source>
        <translation>Split finished</translation>
    </message>
    <message>
        <source>分割失败</source>
        <translation>Split failed</translation>
    </message>
    <message>
        <source>分割已停止</source>
        <translation>Split stopped</translation>
    </message>
    <message>
        <source>合并完成</source>
        <translation>Join finished</translation>
    </message>
    <message>
        <source>合并失败</source>
        <translation>Join failed</translation>
    </message>
    <message>
        <source>合并已停止</source>
        <translation>Join stopped</translation>
    </message>
</context>
</TS>
