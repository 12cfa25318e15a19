<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="zh_CN">
<context>
    <name>velantor</name>
    <message>
        <source>快速切换     </source>
        <translation>Quick switch</translation>
    </message>
    <message>
        <source>淡入淡出     </source>
        <translation>Fade</translation>
    </message>
    <message>
        <source>水平拉幕     </source>
        <translation>Horizontal curtain</translation>
    </message>
    <message>
        <source>垂直拉幕     </source>
        <translation>Vertical curtain</translation>
    </message>
    <message>
        <source>向右擦出     </source>
        <translation>Wipe right</translation>
    </message>
    <message>
        <source>向下擦出     </source>
        <translation>Wipe down</translation>
    </message>
    <message>
        <source>扇叶回旋     </source>
        <translation>Fan-blade turn</translation>
    </message>
    <message>
        <source>风车回旋     </source>
        <translation>Windmill turn</translation>
    </message>
    <message>
        <source>盒状展开</source>
        <translation>Box opening</translation>
    </message>
    <message>
        <source>盒状收缩       </source>
        <translation>Box closing</translation>
    </message>
    <message>
        <source>圆形收缩     </source>
        <translation>Circle closing</translation>
    </message>
    <message>
        <source>圆形展开     </source>
        <translation>Circle opening</translation>
    </message>
    <message>
        <source>水平百叶窗   </source>
        <translation>Horizontal blinds</translation>
    </message>
    <message>
        <source>垂直百叶窗   </source>
        <translation>Vertical blinds</translation>
    </message>
    <message>
        <source>水平棋盘     </source>
        <translation>Horizontal checkerboard</translation>
    </message>
    <message>
        <source>垂直棋盘 </source>
        <translation>Vertical checkerboard</translation>
    </message>
    <message>
        <source>请打开串口</source>
        <translation>Please open the serial port</translation>
    </message>
    <message>
        <source>发送命令</source>
        <translation>Sent commands</translation>
    </message>
    <message>
        <source>接收命令</source>
        <translation>Received commands</translation>
    </message>
</context>
</TS>
