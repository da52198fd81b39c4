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
    <name>CChannelStrip</name>
    <message>
        <source>Front.Left</source>
        <translation>前左</translation>
    </message>
    <message>
        <source>Front.Right</source>
        <translation>前右</translation>
    </message>
    <message>
        <source>Rear.Left</source>
        <translation>后左</translation>
    </message>
    <message>
        <source>Rear.Right</source>
        <translation>后右</translation>
    </message>
    <message>
        <source>Center</source>
        <translation>中置</translation>
    </message>
    <message>
        <source>Sub</source>
        <translation>超低</translation>
    </message>
    <message>
        <source>%1 %2, select the channel</source>
        <translation>%1 %2，选择此通道</translation>
    </message>
    <message>
        <source>Edit %1 (%2)</source>
        <translation>编辑 %1（%2）</translation>
    </message>
    <message>
        <source>Line</source>
        <translation>曲线</translation>
    </message>
    <message>
        <source>%1 curve shown</source>
        <translation>%1 显示曲线</translation>
    </message>
    <message>
        <source>Show the curve of %1 in the graph</source>
        <translation>在图中显示 %1 的曲线</translation>
    </message>
    <message>
        <source>Mute</source>
        <translation>静音</translation>
    </message>
    <message>
        <source>%1 mute</source>
        <translation>%1 静音</translation>
    </message>
    <message>
        <source>%1 polarity inverted</source>
        <translation>%1 反相</translation>
    </message>
    <message>
        <source>Polarity of %1</source>
        <translation>%1 的相位</translation>
    </message>
    <message>
        <source>%1 gain</source>
        <translation>%1 增益</translation>
    </message>
    <message>
        <source>Gain of %1 in dB; type a value or use the arrow keys</source>
        <translation>%1 的增益（dB）：输入数值或使用方向键</translation>
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
    <name>CInputSourceNameDlg</name>
    <message>
        <source>Source Name</source>
        <translation>音效组名</translation>
    </message>
    <message>
        <source>Source Name:</source>
        <translation>音效组名:</translation>
    </message>
    <message>
        <source>The name is kept with the preset on the device (up to 15 characters)</source>
        <translation>组名随音效保存在设备中（最多 15 个字符）</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>确定</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
</context>
<context>
    <name>CMasterPanel</name>
    <message>
        <source>High level</source>
        <translation>高电平</translation>
    </message>
    <message>
        <source>RCA</source>
        <translation>低电平</translation>
    </message>
    <message>
        <source>Bluetooth</source>
        <translation>蓝牙</translation>
    </message>
    <message>
        <source>Optical</source>
        <translation>光纤</translation>
    </message>
    <message>
        <source>Coaxial</source>
        <translation>同轴</translation>
    </message>
    <message>
        <source>Player</source>
        <translation>播放器</translation>
    </message>
    <message>
        <source>Output on</source>
        <translation>输出 开</translation>
    </message>
    <message>
        <source>Output off</source>
        <translation>输出 关</translation>
    </message>
    <message>
        <source>DSP on</source>
        <translation>DSP 开</translation>
    </message>
    <message>
        <source>DSP off</source>
        <translation>DSP 关</translation>
    </message>
    <message>
        <source>MASTER</source>
        <translation>主控</translation>
    </message>
    <message>
        <source>Volume</source>
        <translation>音量</translation>
    </message>
    <message>
        <source>Master volume</source>
        <translation>主音量</translation>
    </message>
    <message>
        <source>Master volume 0 to 60; type a value or use the arrow keys</source>
        <translation>主音量 0 到 60：输入数值或使用方向键</translation>
    </message>
    <message>
        <source>Master output</source>
        <translation>主输出</translation>
    </message>
    <message>
        <source>Switch all outputs on or off</source>
        <translation>打开或关闭所有输出</translation>
    </message>
    <message>
        <source>DSP switch</source>
        <translation>DSP 开关</translation>
    </message>
    <message>
        <source>Switch the sound processing on or off</source>
        <translation>打开或关闭音效处理</translation>
    </message>
    <message>
        <source>Source</source>
        <translation>音源</translation>
    </message>
    <message>
        <source>Input source</source>
        <translation>输入音源</translation>
    </message>
    <message>
        <source>Noise gate</source>
        <translation>噪声门</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>关闭</translation>
    </message>
</context>
<context>
    <name>CPresetDlg</name>
    <message>
        <source>Preset %1, %2</source>
        <translation>第%1组，%2</translation>
    </message>
    <message>
        <source>Preset %1</source>
        <translation>第%1组</translation>
    </message>
    <message>
        <source>Current: %1</source>
        <translation>当前：%1</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>关闭</translation>
    </message>
    <message>
        <source>Preset</source>
        <translation>音效组</translation>
    </message>
    <message>
        <source>Load</source>
        <translation>读取</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>保存</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>删除</translation>
    </message>
    <message>
        <source>Are you delete this Source Data?</source>
        <translation>是否删除本组音效数据?</translation>
    </message>
</context>
<context>
    <name>CSourceLoadDlg</name>
    <message>
        <source>Source Load</source>
        <translation>音效调用</translation>
    </message>
    <message>
        <source>Click a preset to recall it. Right-click it to load, save or delete.</source>
        <translation>单击一组音效即可调用；右键单击可读取、保存或删除。</translation>
    </message>
    <message>
        <source>Open File...</source>
        <translation>打开文件...</translation>
    </message>
    <message>
        <source>Open a setup or all-data file and send it to the device</source>
        <translation>打开音效文件或全部数据文件并发送到设备</translation>
    </message>
    <message>
        <source>A setup file (.dsps) replaces the current setup; an all-data file (.dspa) replaces the presets too</source>
        <translation>音效文件 (.dsps) 替换当前音效；全部数据文件 (.dspa) 同时替换各组音效</translation>
    </message>
    <message>
        <source>Open a setup or all-data file</source>
        <translation>打开音效文件或全部数据文件</translation>
    </message>
    <message>
        <source>Setup and all-data files (*.dsps *.dspa)</source>
        <translation>音效文件和全部数据文件 (*.dsps *.dspa)</translation>
    </message>
    <message>
        <source>Setup files (*.dsps)</source>
        <translation>音效文件 (*.dsps)</translation>
    </message>
    <message>
        <source>All-data files (*.dspa)</source>
        <translation>全部数据文件 (*.dspa)</translation>
    </message>
</context>
<context>
    <name>CSourceSaveDlg</name>
    <message>
        <source>Source Save</source>
        <translation>音效保存</translation>
    </message>
    <message>
        <source>Click a preset to store the current setup into it under a name.</source>
        <translation>单击一组即可将当前音效以新名称保存到该组。</translation>
    </message>
    <message>
        <source>File type</source>
        <translation>文件类型</translation>
    </message>
    <message>
        <source>All data (.dspa)</source>
        <translation>全部数据 (.dspa)</translation>
    </message>
    <message>
        <source>Save all data: the presets read from the device and the setup</source>
        <translation>保存全部数据：从设备读取的各组音效和当前音效</translation>
    </message>
    <message>
        <source>The device&apos;s presets, the setup and the system settings in one file</source>
        <translation>设备的各组音效、当前音效和系统设置存为一个文件</translation>
    </message>
    <message>
        <source>Setup (.dsps)</source>
        <translation>当前音效 (.dsps)</translation>
    </message>
    <message>
        <source>Save the current setup</source>
        <translation>保存当前音效</translation>
    </message>
    <message>
        <source>The current setup only</source>
        <translation>仅当前音效</translation>
    </message>
    <message>
        <source>Save File...</source>
        <translation>保存文件...</translation>
    </message>
    <message>
        <source>Save the chosen file type</source>
        <translation>保存所选类型的文件</translation>
    </message>
    <message>
        <source>Save all data</source>
        <translation>保存全部数据</translation>
    </message>
    <message>
        <source>Save the setup</source>
        <translation>保存当前音效</translation>
    </message>
    <message>
        <source>All-data files (*.dspa)</source>
        <translation>全部数据文件 (*.dspa)</translation>
    </message>
    <message>
        <source>Setup files (*.dsps)</source>
        <translation>音效文件 (*.dsps)</translation>
    </message>
</context>
<context>
    <name>CTavelView</name>
    <message>
        <source>After restoring the factory settings, all your data will be lost. This process is not recoverable!  Choose &apos;YES&apos; to clear the data, and choose &apos;NO&apos; to do nothing.</source>
        <translation>恢复出厂设置后，您的数据会全部丢失，这个过程是不可恢复的！ 选择&apos;是&apos;则清除数据，选择&apos;否&apos;则不进行操作</translation>
    </message>
    <message>
        <source>Whether the reset all EQ?</source>
        <translation>是否恢复所有EQ的初始值</translation>
    </message>
    <message>
        <source>Reset EQ</source>
        <translation>EQ 复位</translation>
    </message>
    <message>
        <source>Reset the EQ of the current channel</source>
        <translation>复位当前通道的 EQ</translation>
    </message>
    <message>
        <source>Every band of the current channel back to flat</source>
        <translation>当前通道的所有频段恢复平直</translation>
    </message>
    <message>
        <source>Bypass EQ</source>
        <translation>EQ 直通</translation>
    </message>
    <message>
        <source>Bypass every EQ band of the current channel</source>
        <translation>当前通道的所有 EQ 频段直通</translation>
    </message>
    <message>
        <source>Bypass every band of the current channel</source>
        <translation>当前通道的所有频段直通</translation>
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
<context>
    <name>CUpgradeDlg</name>
    <message>
        <source>Choose a firmware file</source>
        <translation>选择固件文件</translation>
    </message>
    <message>
        <source>Firmware files (*.MVA *.contr)</source>
        <translation>固件文件 (*.MVA *.contr)</translation>
    </message>
    <message>
        <source>All files (*)</source>
        <translation>所有文件 (*)</translation>
    </message>
    <message>
        <source>Waiting for the device...</source>
        <translation>正在等待设备...</translation>
    </message>
    <message>
        <source>Updating. Keep the device connected and switched on.</source>
        <translation>正在更新，请保持设备连接并通电。</translation>
    </message>
    <message>
        <source>The update did not finish.</source>
        <translation>更新未完成。</translation>
    </message>
    <message>
        <source>Device Firmware Update</source>
        <translation>设备固件更新</translation>
    </message>
    <message>
        <source>Choose the firmware file: .MVA for the DSP, .contr for the hand controller. The update takes over the connection; keep the device connected until it has finished.</source>
        <translation>请选择固件文件：DSP 用 .MVA，手控器用 .contr。更新期间将占用设备连接，完成前请勿断开设备。</translation>
    </message>
    <message>
        <source>Firmware file</source>
        <translation>固件文件</translation>
    </message>
    <message>
        <source>No file chosen</source>
        <translation>未选择文件</translation>
    </message>
    <message>
        <source>Browse...</source>
        <translation>浏览...</translation>
    </message>
    <message>
        <source>Update progress</source>
        <translation>更新进度</translation>
    </message>
    <message>
        <source>Start</source>
        <translation>开始</translation>
    </message>
    <message>
        <source>Start the firmware update</source>
        <translation>开始更新固件</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>关闭</translation>
    </message>
</context>
</TS>
