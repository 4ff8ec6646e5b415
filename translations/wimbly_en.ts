<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en">
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
</context>
</TS>
