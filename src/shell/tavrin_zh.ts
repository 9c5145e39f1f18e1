<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN" sourcelanguage="en">
<context>
    <name>tavrin::CommandLine</name>
    <message>
        <source>Usage: tavrin [OPTION]
Arithmetic practice for young children, in Simplified Chinese.
Without an option the face opens; right-click it for the menu.

  -h, --help            show this help and exit
      --version         show the version and exit
      --report FILE     write the practice report for parents as one HTML page
      --report -        print the same figures as plain-text tables
      --forget          delete the practice record (asks first on a terminal)
      --show-report     open the report page in the web browser

Settings: $XDG_CONFIG_HOME/tavrin/Qbx_R (default ~/.config/tavrin/Qbx_R).
See tavrin(6).
</source>
        <translation>用法：tavrin [选项]
给小朋友练习加减乘除的程序，界面是简体中文。
不带选项时打开小脸；在小脸上单击右键打开菜单。

  -h, --help            显示这个帮助并退出
      --version         显示版本并退出
      --report 文件     把给家长看的练习报告写成一个 HTML 网页
      --report -        用纯文本表格打印同样的数字
      --forget          删除练习记录（在终端上先问一下）
      --show-report     在网页浏览器里打开练习报告

设置文件：$XDG_CONFIG_HOME/tavrin/Qbx_R（默认 ~/.config/tavrin/Qbx_R）。
详见 tavrin(6)。
</translation>
    </message>
    <message>
        <source>Try &apos;tavrin --help&apos; for more information.</source>
        <translation>运行 “tavrin --help” 了解更多。</translation>
    </message>
    <message>
        <source>tavrin: unknown option &apos;%1&apos;</source>
        <translation>tavrin：没有这个选项 “%1”</translation>
    </message>
    <message>
        <source>tavrin: unexpected argument &apos;%1&apos;</source>
        <translation>tavrin：多余的参数 “%1”</translation>
    </message>
</context>
<context>
    <name>tavrin::RecordCommands</name>
    <message>
        <source>Practice report written to %1
</source>
        <translation>练习报告已写到 %1
</translation>
    </message>
    <message>
        <source>Cannot write the practice report %1: %2</source>
        <translation>写不了练习报告 %1：%2</translation>
    </message>
    <message>
        <source>There is no practice record; nothing to delete.
</source>
        <translation>没有练习记录，什么也不用删除。
</translation>
    </message>
    <message>
        <source>These files of the practice record (%1 sets) will be deleted:
</source>
        <translation>将删除练习记录（%1 组练习）的这些文件：
</translation>
    </message>
    <message>
        <source>These files of the practice record will be deleted:
</source>
        <translation>将删除练习记录的这些文件：
</translation>
    </message>
    <message>
        <source>Delete them? Type y and press Enter to confirm: </source>
        <translation>确定删除吗？输入 y 并按回车确认：</translation>
    </message>
    <message>
        <source>Nothing was deleted.
</source>
        <translation>没有删除任何文件。
</translation>
    </message>
    <message>
        <source>Cannot delete %1
</source>
        <translation>删除不了 %1
</translation>
    </message>
    <message>
        <source>The practice record is deleted.
</source>
        <translation>练习记录已删除。
</translation>
    </message>
    <message>
        <source>Usage: tavrin --report FILE.html | tavrin --report - | tavrin --forget
</source>
        <translation>用法：tavrin --report 文件.html | tavrin --report - | tavrin --forget
</translation>
    </message>
</context>
<context>
    <name>tavrin::TextReport</name>
    <message>
        <source>addition ＋</source>
        <translation>加法 ＋</translation>
    </message>
    <message>
        <source>subtraction －</source>
        <translation>减法 －</translation>
    </message>
    <message>
        <source>multiplication ×</source>
        <translation>乘法 ×</translation>
    </message>
    <message>
        <source>division ÷</source>
        <translation>除法 ÷</translation>
    </message>
    <message>
        <source>up to %1</source>
        <translation>%1 以内</translation>
    </message>
    <message>
        <source>add</source>
        <translation>加</translation>
    </message>
    <message>
        <source>subtract</source>
        <translation>减</translation>
    </message>
    <message>
        <source>multiply</source>
        <translation>乘</translation>
    </message>
    <message>
        <source>divide</source>
        <translation>除</translation>
    </message>
    <message>
        <source>, </source>
        <translation>、</translation>
    </message>
    <message>
        <source>(blank)</source>
        <translation>（空白）</translation>
    </message>
    <message>
        <source>No practice record yet.
</source>
        <translation>还没有练习记录。
</translation>
    </message>
    <message>
        <source>Practice record: %1 sets, %2 questions, average score %3.
</source>
        <translation>练习记录：共 %1 组练习，%2 道题，平均得分 %3 分。
</translation>
    </message>
    <message>
        <source>
Scores (earliest first): %1
</source>
        <translation>
得分变化（从早到晚）：%1
</translation>
    </message>
    <message>
        <source>questions</source>
        <translation>题数</translation>
    </message>
    <message>
        <source>right</source>
        <translation>答对</translation>
    </message>
    <message>
        <source>accuracy</source>
        <translation>正确率</translation>
    </message>
    <message>
        <source>operation</source>
        <translation>运算</translation>
    </message>
    <message>
        <source>range</source>
        <translation>范围</translation>
    </message>
    <message>
        <source>
Accuracy by operation
</source>
        <translation>
各种运算的正确率
</translation>
    </message>
    <message>
        <source>
Accuracy by range
</source>
        <translation>
各个范围的正确率
</translation>
    </message>
    <message>
        <source>
Most missed questions
</source>
        <translation>
最常做错的题
</translation>
    </message>
    <message>
        <source>question</source>
        <translation>题目</translation>
    </message>
    <message>
        <source>right answer</source>
        <translation>正确答案</translation>
    </message>
    <message>
        <source>missed</source>
        <translation>做错</translation>
    </message>
    <message>
        <source>asked</source>
        <translation>做过</translation>
    </message>
    <message>
        <source>answers given</source>
        <translation>填过的答案</translation>
    </message>
    <message>
        <source>
Latest sets
</source>
        <translation>
最近的练习
</translation>
    </message>
    <message>
        <source>time</source>
        <translation>时间</translation>
    </message>
    <message>
        <source>score</source>
        <translation>得分</translation>
    </message>
    <message>
        <source>
Facts to review (wrong, or right but not on time)
</source>
        <translation>
错题本（做错的，或者做对了但超过时间的）
</translation>
    </message>
    <message>
        <source>last time (s)</source>
        <translation>上次用时（秒）</translation>
    </message>
    <message>
        <source>
Speed by operation
</source>
        <translation>
各种运算的速度
</translation>
    </message>
    <message>
        <source>timed</source>
        <translation>计时的题</translation>
    </message>
    <message>
        <source>median right (s)</source>
        <translation>答对用时中位数（秒）</translation>
    </message>
    <message>
        <source>on time</source>
        <translation>按时答对</translation>
    </message>
    <message>
        <source>on time by week</source>
        <translation>每周按时答对</translation>
    </message>
    <message>
        <source>
Facts within 10 (K known, S slow, D to review, . not met)
</source>
        <translation>
10 以内的加法和乘法（K 记住了，S 还慢，D 在错题本里，. 还没做过）
</translation>
    </message>
</context>
<context>
    <name>tavrin::PracticeRecorder</name>
    <message>
        <source>tavrin: %1 practice set(s) could not be saved: %2</source>
        <translation>tavrin：有 %1 组练习没能保存：%2</translation>
    </message>
    <message>
        <source>tavrin: practice record: %1</source>
        <translation>tavrin：练习记录：%1</translation>
    </message>
    <message>
        <source>tavrin: the practice sets that waited are now saved</source>
        <translation>tavrin：等待保存的练习现在已经保存了</translation>
    </message>
    <message>
        <source>tavrin: practice record not saved yet: %1; the set waits in %2 and is saved when the record can be written</source>
        <translation>tavrin：练习记录暂时没有保存：%1；这组练习先放在 %2，等练习记录能写的时候再保存</translation>
    </message>
    <message>
        <source>tavrin: practice record not saved yet: %1; the set is kept until the program ends</source>
        <translation>tavrin：练习记录暂时没有保存：%1；这组练习先留在内存里，程序退出前会再试</translation>
    </message>
</context>
<context>
    <name>tavrin::RecordStore</name>
    <message>
        <source>%1 is not a file; left as it is</source>
        <translation>%1 不是一个文件，没有动它</translation>
    </message>
    <message>
        <source>cannot make the folder %1</source>
        <translation>建不了文件夹 %1</translation>
    </message>
    <message>
        <source>%1 or its folder is read-only</source>
        <translation>%1 或它所在的文件夹是只读的</translation>
    </message>
    <message>
        <source>the file system of the folder %1 does not support locks, which the practice record needs</source>
        <translation>文件夹 %1 所在的文件系统不支持文件锁，练习记录需要文件锁</translation>
    </message>
    <message>
        <source>%1 is busy: another program holds it</source>
        <translation>%1 正被另一个程序占用</translation>
    </message>
    <message>
        <source>%1 is damaged (%2) and cannot be moved aside; left as it is</source>
        <translation>%1 已损坏（%2），也移不走，没有动它</translation>
    </message>
    <message>
        <source>%1 was damaged (%2); kept as %3</source>
        <translation>%1 已损坏（%2），已另存为 %3</translation>
    </message>
    <message>
        <source>; a new record failed too: </source>
        <translation>；新的练习记录也建不了：</translation>
    </message>
    <message>
        <source> and a new record begun</source>
        <translation>，并开始了新的练习记录</translation>
    </message>
    <message>
        <source>%1 is not a file.</source>
        <translation>%1 不是一个文件。</translation>
    </message>
    <message>
        <source>The practice record %1 is damaged (%2).</source>
        <translation>练习记录 %1 已损坏（%2）。</translation>
    </message>
    <message>
        <source>Cannot read the practice record %1: the file system of its folder does not support locks.</source>
        <translation>读不了练习记录 %1：它所在文件夹的文件系统不支持文件锁。</translation>
    </message>
    <message>
        <source>Cannot read the practice record %1: %2</source>
        <translation>读不了练习记录 %1：%2</translation>
    </message>
</context>
<context>
    <name>tavrin::SettingsFile</name>
    <message>
        <source>tavrin: the choice could not be saved in %1 (%2); it holds until the program ends</source>
        <translation>tavrin：选项没能保存到 %1（%2）；在程序退出前仍然有效</translation>
    </message>
</context>
</TS>
