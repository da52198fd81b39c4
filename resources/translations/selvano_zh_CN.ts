<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN" sourcelanguage="en">
<context>
    <name>CAboutSoftDlg</name>
    <message>
        <source>About</source>
        <translation>关于</translation>
    </message>
    <message>
        <source>Tuning tool for the car-audio DSP box</source>
        <translation>车载音频 DSP 调音工具</translation>
    </message>
    <message>
        <source>selvano, version %1</source>
        <translation>selvano，版本 %1</translation>
    </message>
    <message>
        <source>Built with</source>
        <translation>使用的库</translation>
    </message>
    <message>
        <source>GNU LGPL version 3</source>
        <translation>GNU LGPL 第 3 版</translation>
    </message>
    <message>
        <source>BSD-style licence, GNU GPL version 3 or the original hidapi licence, at your choice</source>
        <translation>BSD 风格许可、GNU GPL 第 3 版或 hidapi 原始许可，任选其一</translation>
    </message>
    <message>
        <source>GNU LGPL version 2.1 or later</source>
        <translation>GNU LGPL 2.1 或更高版本</translation>
    </message>
</context>
<context>
    <name>CDisplayDlg</name>
    <message>
        <source>Data transmissionning</source>
        <translation>数据传输中</translation>
    </message>
    <message>
        <source>Data transmission</source>
        <translation>数据正在传输中</translation>
    </message>
</context>
<context>
    <name>CTavelView</name>
    <message>
        <source>After restoring the factory settings, all your data will be lost. This process is not recoverable!  Choose &apos;YES&apos; to clear the data, and choose &apos;NO&apos; to do nothing.</source>
        <translation>恢复出厂设置后，您的数据会全部丢失，这个过程是不可恢复的！ 选择&apos;是&apos;则清除数据，选择&apos;否&apos;则不进行操作</translation>
    </message>
</context>
<context>
    <name>CTitleBar</name>
    <message>
        <source>Connected to the DSP box on USB</source>
        <translation>已通过 USB 连接 DSP 设备</translation>
    </message>
    <message>
        <source>Connected to the simulated device</source>
        <translation>已连接模拟设备</translation>
    </message>
    <message>
        <source>Connected to the device at %1</source>
        <translation>已连接设备 %1</translation>
    </message>
    <message>
        <source>Not connected</source>
        <translation>未连接</translation>
    </message>
    <message>
        <source>Disconnect</source>
        <translation>断开连接</translation>
    </message>
    <message>
        <source>Connect</source>
        <translation>连接设备</translation>
    </message>
    <message>
        <source>Close the link to the device</source>
        <translation>断开与设备的连接</translation>
    </message>
    <message>
        <source>Connect to the device</source>
        <translation>连接 DSP 设备</translation>
    </message>
    <message>
        <source>Settings</source>
        <translation>设置</translation>
    </message>
    <message>
        <source>Presets</source>
        <translation>音效</translation>
    </message>
    <message>
        <source>Minimise</source>
        <translation>最小化</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>关闭</translation>
    </message>
</context>
<context>
    <name>CTopMenu</name>
    <message>
        <source>Firmware Update</source>
        <translation>固件更新</translation>
    </message>
    <message>
        <source>Rest Settings</source>
        <translation>恢复出厂设置</translation>
    </message>
    <message>
        <source>Chinese</source>
        <translation>英文</translation>
    </message>
    <message>
        <source>SourceVolume</source>
        <translation>音源音量</translation>
    </message>
    <message>
        <source>About</source>
        <translation>关于</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>音效调用</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>音效保存</translation>
    </message>
</context>
</TS>
