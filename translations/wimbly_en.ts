<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en">
<context>
    <name>wimbly::Accessibility</name>
    <message>
        <source>得分 %1</source>
        <translation>Score %1</translation>
    </message>
    <message>
        <source>生命 %1</source>
        <translation>Lives %1</translation>
    </message>
    <message>
        <source>动物</source>
        <translation>Animals</translation>
    </message>
    <message>
        <source>第 %1 名，%2，得分 %3</source>
        <translation>Place %1, %2, score %3</translation>
    </message>
</context>
<context>
    <name>wimbly::ChildrenWindow</name>
    <message>
        <source>孩子</source>
        <translation>Children</translation>
    </message>
    <message>
        <source>（不选孩子）</source>
        <translation>No child chosen</translation>
    </message>
    <message>
        <source>没有选孩子的时候，按这些玩法玩。</source>
        <translation>These settings are used when no child is chosen.</translation>
    </message>
    <message>
        <source>添加</source>
        <translation>Add</translation>
    </message>
    <message>
        <source>删除</source>
        <translation>Remove</translation>
    </message>
    <message>
        <source>确定删除？</source>
        <translation>Really remove?</translation>
    </message>
    <message>
        <source>孩子 %1</source>
        <translation>Child %1</translation>
    </message>
    <message>
        <source>名字</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>已经有孩子叫这个名字了。</source>
        <translation>Another child has that name.</translation>
    </message>
    <message>
        <source>这个名字不能用。</source>
        <translation>That name cannot be used.</translation>
    </message>
    <message>
        <source>动物</source>
        <translation>Animal</translation>
    </message>
    <message>
        <source>玩法</source>
        <translation>Play</translation>
    </message>
    <message>
        <source>每个动物显示（毫秒）</source>
        <translation>Each animal shows for (ms)</translation>
    </message>
    <message>
        <source>第一轮的动物数</source>
        <translation>Animals in the first turn</translation>
    </message>
    <message>
        <source>生命数</source>
        <translation>Lives</translation>
    </message>
    <message>
        <source>练习（点错不扣命）</source>
        <translation>Practice (wrong clicks cost nothing)</translation>
    </message>
    <message>
        <source>从上一局结束的地方开始</source>
        <translation>Start where the last game ended</translation>
    </message>
</context>
<context>
    <name>wimbly::Commands</name>
    <message>
        <source>放大</source>
        <translation>Zoom in</translation>
    </message>
    <message>
        <source>缩小</source>
        <translation>Zoom out</translation>
    </message>
    <message>
        <source>100 %</source>
        <translation>100 %</translation>
    </message>
    <message>
        <source>全屏</source>
        <translation>Full screen</translation>
    </message>
    <message>
        <source>声音</source>
        <translation>Sound</translation>
    </message>
    <message>
        <source>说出动物的名字</source>
        <translation>Say the animals&apos; names</translation>
    </message>
    <message>
        <source>说出动物的名字（语音不可用）</source>
        <translation>Say the animals&apos; names (speech not available)</translation>
    </message>
    <message>
        <source>孩子</source>
        <translation>Children</translation>
    </message>
    <message>
        <source>进步</source>
        <translation>Progress</translation>
    </message>
    <message>
        <source>退出</source>
        <translation>Quit</translation>
    </message>
    <message>
        <source>关</source>
        <translation>Off</translation>
    </message>
    <message>
        <source>慢（2.5 秒）</source>
        <translation>Slow (2.5 s)</translation>
    </message>
    <message>
        <source>中（1.5 秒）</source>
        <translation>Medium (1.5 s)</translation>
    </message>
    <message>
        <source>快（0.8 秒）</source>
        <translation>Fast (0.8 s)</translation>
    </message>
    <message>
        <source>%1 秒</source>
        <translation>%1 s</translation>
    </message>
</context>
<context>
    <name>wimbly::HelpWindow</name>
    <message>
        <source>帮助</source>
        <translation>Help</translation>
    </message>
    <message>
        <source>游戏目的：锻炼孩子的记忆力和观察能力<byte value="xd"/>
<byte value="xd"/>
游戏方法：点击三角按钮开始游戏。游戏开始后会播放单一的数码宝贝，你要在随后播放的所有数码宝贝中将它找出来。</source>
        <translation>Aim of the game: to train a child&apos;s memory and power of observation<byte value="xd"/>
<byte value="xd"/>
How to play: click the triangle button to start the game. Once the game has started, a single digital pet is shown; you have to find it among all the digital pets shown after it.</translation>
    </message>
</context>
<context>
    <name>wimbly::LeaderboardWindow</name>
    <message>
        <source>排行榜</source>
        <translation>Leaderboard</translation>
    </message>
    <message>
        <source>恭喜恭喜!您上榜了。您的大名:</source>
        <translation>You made the list! Your name:</translation>
    </message>
    <message>
        <source>确认</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>排行榜无法保存。</source>
        <translation>Scores cannot be saved.</translation>
    </message>
    <message>
        <source>多于三条命的游戏不上榜。</source>
        <translation>Extra lives: not ranked.</translation>
    </message>
</context>
<context>
    <name>wimbly::MainWindow</name>
    <message>
        <source>开始</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>帮助</source>
        <translation>Help</translation>
    </message>
</context>
<context>
    <name>wimbly::ParentsMenu</name>
    <message>
        <source>语言</source>
        <translation>Language</translation>
    </message>
    <message>
        <source>单键扫描</source>
        <translation>One-switch scanning</translation>
    </message>
</context>
<context>
    <name>wimbly::ProgressWindow</name>
    <message>
        <source>每局记住的最长队伍</source>
        <translation>Longest parade recalled in each game</translation>
    </message>
    <message>
        <source>当天最好</source>
        <translation>Best of the day</translation>
    </message>
    <message>
        <source>还没有记录的游戏。</source>
        <translation>No games recorded yet.</translation>
    </message>
    <message>
        <source>进步</source>
        <translation>Progress</translation>
    </message>
    <message>
        <source>孩子：</source>
        <translation>Child:</translation>
    </message>
    <message>
        <source>（未选孩子）</source>
        <translation>No child chosen</translation>
    </message>
    <message>
        <source>本周游戏：%1 局</source>
        <translation>Games this week: %1</translation>
    </message>
    <message>
        <source>本周时间：%1 分钟</source>
        <translation>Minutes this week: %1</translation>
    </message>
    <message>
        <source>最高分：%1</source>
        <translation>Best score: %1</translation>
    </message>
    <message>
        <source>导出…</source>
        <translation>Export…</translation>
    </message>
    <message>
        <source>导出游戏记录</source>
        <translation>Export the game history</translation>
    </message>
    <message>
        <source>CSV 文件 (*.csv)</source>
        <translation>CSV files (*.csv)</translation>
    </message>
    <message>
        <source>已导出到 %1。</source>
        <translation>Exported to %1.</translation>
    </message>
    <message>
        <source>无法导出到 %1。</source>
        <translation>Could not export to %1.</translation>
    </message>
    <message>
        <source>游戏没有被记录。</source>
        <translation>Games are not being recorded.</translation>
    </message>
    <message>
        <source>游戏记录已损坏：原文件已改名为 %1，新的记录已经开始。</source>
        <translation>The game history was damaged: its file was renamed %1 and a new history was started.</translation>
    </message>
</context>
</TS>
