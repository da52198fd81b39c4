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
    <name>CCarPicture</name>
    <message>
        <source>DELAY</source>
        <translation>延时</translation>
    </message>
    <message>
        <source>Unit</source>
        <translation>单位</translation>
    </message>
    <message>
        <source>Ms</source>
        <translation>毫秒</translation>
    </message>
    <message>
        <source>Cm</source>
        <translation>厘米</translation>
    </message>
    <message>
        <source>Inch</source>
        <translation>英寸</translation>
    </message>
    <message>
        <source>Delay in milliseconds</source>
        <translation>延时以毫秒显示</translation>
    </message>
    <message>
        <source>Delay in centimetres</source>
        <translation>延时以厘米显示</translation>
    </message>
    <message>
        <source>Delay in inches</source>
        <translation>延时以英寸显示</translation>
    </message>
    <message>
        <source>%1 %2, select the channel</source>
        <translation>%1 %2，选择此通道</translation>
    </message>
    <message>
        <source>%1: %2. Click to edit this channel</source>
        <translation>%1：%2。单击编辑此通道</translation>
    </message>
    <message>
        <source>%1 %2 delay</source>
        <translation>%1 %2 延时</translation>
    </message>
    <message>
        <source>Delay of %1 (%2), 0 to 20 ms; type a value or use the arrow keys</source>
        <translation>%1（%2）的延时，0 至 20 毫秒；输入数值或使用方向键</translation>
    </message>
</context>
<context>
    <name>CCH_Link_Dlg</name>
    <message>
        <source>The right channel of each pair becomes a copy of the left one.</source>
        <translation>每对通道中的右声道将复制左声道的设置。</translation>
    </message>
    <message>
        <source>The left channel of each pair becomes a copy of the right one.</source>
        <translation>每对通道中的左声道将复制右声道的设置。</translation>
    </message>
    <message>
        <source>Grouping of Front channel</source>
        <translation>声场联调</translation>
    </message>
    <message>
        <source>Link the channel pairs below: one channel of each pair keeps its settings, the other takes a copy of them, and later edits apply to both.</source>
        <translation>联调下列通道对：每对中一个通道保留其设置，另一个通道复制这些设置，之后的调节同时作用于两者。</translation>
    </message>
    <message>
        <source>The speaker types of the channels form no pair.</source>
        <translation>各通道的扬声器类型无法组成通道对。</translation>
    </message>
    <message>
        <source>Left as reference</source>
        <translation>以左声道为准</translation>
    </message>
    <message>
        <source>The left channel of each pair is the reference</source>
        <translation>以每对通道中的左声道为准</translation>
    </message>
    <message>
        <source>Right as reference</source>
        <translation>以右声道为准</translation>
    </message>
    <message>
        <source>The right channel of each pair is the reference</source>
        <translation>以每对通道中的右声道为准</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>确定</translation>
    </message>
    <message>
        <source>Link the pairs</source>
        <translation>联调通道对</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
    <message>
        <source>Cancel, link nothing</source>
        <translation>取消，不联调</translation>
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
    <name>CCrossoverPanel</name>
    <message>
        <source>CROSSOVER</source>
        <translation>分频</translation>
    </message>
    <message>
        <source>Freq</source>
        <translation>频率</translation>
    </message>
    <message>
        <source>Type</source>
        <translation>类型</translation>
    </message>
    <message>
        <source>Slope</source>
        <translation>斜率</translation>
    </message>
    <message>
        <source>High-pass</source>
        <translation>高通</translation>
    </message>
    <message>
        <source>Low-pass</source>
        <translation>低通</translation>
    </message>
    <message>
        <source>High-pass frequency</source>
        <translation>高通频率</translation>
    </message>
    <message>
        <source>Low-pass frequency</source>
        <translation>低通频率</translation>
    </message>
    <message>
        <source>Corner of the high-pass filter in Hz; type a value or use the arrow keys. It never goes above the low-pass corner.</source>
        <translation>高通滤波器的转折频率（Hz）；输入数值或使用方向键。它不会高于低通的转折频率。</translation>
    </message>
    <message>
        <source>Corner of the low-pass filter in Hz; type a value or use the arrow keys. It never goes below the high-pass corner.</source>
        <translation>低通滤波器的转折频率（Hz）；输入数值或使用方向键。它不会低于高通的转折频率。</translation>
    </message>
    <message>
        <source>High-pass type</source>
        <translation>高通类型</translation>
    </message>
    <message>
        <source>Low-pass type</source>
        <translation>低通类型</translation>
    </message>
    <message>
        <source>Filter family of the high-pass</source>
        <translation>高通的滤波器类型</translation>
    </message>
    <message>
        <source>Filter family of the low-pass</source>
        <translation>低通的滤波器类型</translation>
    </message>
    <message>
        <source>High-pass slope</source>
        <translation>高通斜率</translation>
    </message>
    <message>
        <source>Low-pass slope</source>
        <translation>低通斜率</translation>
    </message>
    <message>
        <source>Steepness of the high-pass; 关闭 switches it off</source>
        <translation>高通的斜率；选“关闭”则关掉高通</translation>
    </message>
    <message>
        <source>Steepness of the low-pass; 关闭 switches it off</source>
        <translation>低通的斜率；选“关闭”则关掉低通</translation>
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
    <name>CEditHistory</name>
    <message>
        <source>A/B: %1 live</source>
        <translation>A/B：%1 生效</translation>
    </message>
    <message>
        <source>Copy %1 onto %2</source>
        <translation>把 %1 复制到 %2</translation>
    </message>
</context>
<context>
    <name>CLimiterDlg</name>
    <message>
        <source>IN%1</source>
        <translation>输入%1</translation>
    </message>
    <message>
        <source>%1 %2, input %3 level</source>
        <translation>%1 %2，输入%3 电平</translation>
    </message>
    <message>
        <source>Routing matrix</source>
        <translation>路由矩阵</translation>
    </message>
    <message>
        <source>Level of each input in each output channel, in percent (0 to 100)</source>
        <translation>各输出通道中每路输入的电平，单位为百分比（0 到 100）</translation>
    </message>
    <message>
        <source>Close the routing matrix</source>
        <translation>关闭路由矩阵</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>关闭</translation>
    </message>
    <message>
        <source>Level of input %1 in %2, 0 to 100 %; type a value or use the arrow keys</source>
        <translation>%2 中输入%1 的电平（0 到 100 %）：输入数值或使用方向键</translation>
    </message>
</context>
<context>
    <name>CLinkRow</name>
    <message>
        <source>Routing</source>
        <translation>路由</translation>
    </message>
    <message>
        <source>Open the routing matrix</source>
        <translation>打开路由矩阵</translation>
    </message>
    <message>
        <source>Levels of the inputs in each output channel</source>
        <translation>各输出通道中各路输入的电平</translation>
    </message>
    <message>
        <source>Link</source>
        <translation>联调</translation>
    </message>
    <message>
        <source>Link the channel pairs</source>
        <translation>联调通道对</translation>
    </message>
    <message>
        <source>Link the left and right channels of each speaker pair, or unlink them</source>
        <translation>联调或解除每对扬声器的左右声道</translation>
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
    <name>COutputDlg</name>
    <message>
        <source>Band</source>
        <translation>频段</translation>
    </message>
    <message>
        <source>Freq</source>
        <translation>频率</translation>
    </message>
    <message>
        <source>Q</source>
        <translation>Q值</translation>
    </message>
    <message>
        <source>Gain</source>
        <translation>增益</translation>
    </message>
    <message>
        <source>Band %1</source>
        <translation>频段 %1</translation>
    </message>
    <message>
        <source>Band %1 frequency</source>
        <translation>频段 %1 频率</translation>
    </message>
    <message>
        <source>Centre frequency of band %1 in Hz</source>
        <translation>频段 %1 的中心频率，单位 Hz</translation>
    </message>
    <message>
        <source>Band %1 Q</source>
        <translation>频段 %1 Q值</translation>
    </message>
    <message>
        <source>Q of band %1: higher is narrower</source>
        <translation>频段 %1 的 Q 值：越大越窄</translation>
    </message>
    <message>
        <source>Band %1 gain</source>
        <translation>频段 %1 增益</translation>
    </message>
    <message>
        <source>Gain of band %1 in dB, -20 to +20</source>
        <translation>频段 %1 的增益，单位 dB，-20 到 +20</translation>
    </message>
    <message>
        <source>Band %1 bypass</source>
        <translation>频段 %1 直通</translation>
    </message>
    <message>
        <source>Bypass band %1</source>
        <translation>让频段 %1 直通</translation>
    </message>
</context>
<context>
    <name>CSvolumeDLG</name>
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
        <source>Digit</source>
        <translation>数字</translation>
    </message>
    <message>
        <source>Player</source>
        <translation>播放器</translation>
    </message>
    <message>
        <source>Source Volume</source>
        <translation>音源音量</translation>
    </message>
    <message>
        <source>The master volume remembered for each input source, 0 to 100</source>
        <translation>各音源记忆的主音量，0 到 100</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>关闭</translation>
    </message>
    <message>
        <source>Close the source volumes</source>
        <translation>关闭音源音量</translation>
    </message>
    <message>
        <source>%1 volume</source>
        <translation>%1音量</translation>
    </message>
    <message>
        <source>Volume of %1, 0 to 100; type a value or use the arrow keys</source>
        <translation>%1的音量（0 到 100）：输入数值或使用方向键</translation>
    </message>
</context>
<context>
    <name>CTavelView</name>
    <message>
        <source>After restoring the factory settings, all your data will be lost. This process is not recoverable!  Choose 'YES' to clear the data, and choose 'NO' to do nothing.</source>
        <translation>恢复出厂设置后，您的数据会全部丢失，这个过程是不可恢复的！ 选择'是'则清除数据，选择'否'则不进行操作</translation>
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
    <message>
        <source>Export graph</source>
        <translation>导出曲线图</translation>
    </message>
    <message>
        <source>PNG pictures (*.png)</source>
        <translation>PNG 图片 (*.png)</translation>
    </message>
    <message>
        <source>CSV tables of the curves (*.csv)</source>
        <translation>曲线 CSV 表格 (*.csv)</translation>
    </message>
    <message>
        <source>The file %1 cannot be written</source>
        <translation>无法写入文件 %1</translation>
    </message>
    <message>
        <source>Undo %1</source>
        <translation>撤销 %1</translation>
    </message>
    <message>
        <source>Redo %1</source>
        <translation>重做 %1</translation>
    </message>
    <message>
        <source>Copy %1 onto %2</source>
        <translation>把 %1 复制到 %2</translation>
    </message>
    <message>
        <source>Restore a backup to the device</source>
        <translation>将备份恢复到设备</translation>
    </message>
    <message>
        <source>Backups (*.dspa)</source>
        <translation>备份 (*.dspa)</translation>
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
    <message>
        <source>Undo</source>
        <translation>撤销</translation>
    </message>
    <message>
        <source>Redo</source>
        <translation>重做</translation>
    </message>
    <message>
        <source>Undo %1</source>
        <translation>撤销 %1</translation>
    </message>
    <message>
        <source>Redo %1</source>
        <translation>重做 %1</translation>
    </message>
    <message>
        <source>Setup %1, live</source>
        <translation>设置 %1，生效中</translation>
    </message>
    <message>
        <source>Setup %1</source>
        <translation>设置 %1</translation>
    </message>
    <message>
        <source>Setup %1 is live</source>
        <translation>设置 %1 生效中</translation>
    </message>
    <message>
        <source>Switch to setup %1 (only what differs is sent)</source>
        <translation>切换到设置 %1（只发送不同之处）</translation>
    </message>
    <message>
        <source>Copy</source>
        <translation>复制</translation>
    </message>
    <message>
        <source>Copy setups A and B</source>
        <translation>复制设置 A 和 B</translation>
    </message>
    <message>
        <source>Copy one A/B setup onto the other</source>
        <translation>把一个 A/B 设置复制到另一个</translation>
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
        <source>Restore backup...</source>
        <translation>恢复备份...</translation>
    </message>
    <message>
        <source>Automatic backups</source>
        <translation>自动备份</translation>
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
    <message>
        <source>Copy EQ</source>
        <translation>复制EQ</translation>
    </message>
    <message>
        <source>Paste EQ</source>
        <translation>粘贴EQ</translation>
    </message>
    <message>
        <source>Import EQ from file...</source>
        <translation>从文件导入EQ...</translation>
    </message>
    <message>
        <source>Export EQ to file...</source>
        <translation>导出EQ到文件...</translation>
    </message>
    <message>
        <source>Time alignment...</source>
        <translation>时间校准...</translation>
    </message>
    <message>
        <source>Export graph...</source>
        <translation>导出曲线图...</translation>
    </message>
    <message>
        <source>Undo</source>
        <translation>撤销</translation>
    </message>
    <message>
        <source>Redo</source>
        <translation>重做</translation>
    </message>
    <message>
        <source>Measurement...</source>
        <translation>测量曲线...</translation>
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
        <source>The device's presets, the setup and the system settings in one file</source>
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
        <source>Saving a backup of the device first...</source>
        <translation>正在先备份设备数据...</translation>
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
<context>
    <name>CEqTextActions</name>
    <message>
        <source>Import EQ from file</source>
        <translation>从文件导入EQ</translation>
    </message>
    <message>
        <source>Export EQ to file</source>
        <translation>导出EQ到文件</translation>
    </message>
    <message>
        <source>Filter texts (*.txt)</source>
        <translation>滤波器文本 (*.txt)</translation>
    </message>
    <message>
        <source>All files (*)</source>
        <translation>所有文件 (*)</translation>
    </message>
    <message>
        <source>The file %1 cannot be read: nothing changed</source>
        <translation>无法读取文件 %1：未作任何更改</translation>
    </message>
    <message>
        <source>The file %1 is larger than 1 MB, no filter text: nothing changed</source>
        <translation>文件 %1 大于 1 MB，不是滤波器文本：未作任何更改</translation>
    </message>
    <message>
        <source>The file %1 cannot be written</source>
        <translation>无法写入文件 %1</translation>
    </message>
</context>
<context>
    <name>CTimeAlignDlg</name>
    <message>
        <source>Time alignment</source>
        <translation>时间校准</translation>
    </message>
    <message>
        <source>Distance from each speaker to the listening position. The farthest speaker gets no delay; a channel left empty keeps its delay.</source>
        <translation>每个扬声器到聆听位置的距离。最远的扬声器不加延时；留空的通道保持其延时。</translation>
    </message>
    <message>
        <source>Distance</source>
        <translation>距离</translation>
    </message>
    <message>
        <source>CH%1</source>
        <translation>CH%1</translation>
    </message>
    <message>
        <source>CH%1 distance</source>
        <translation>CH%1 距离</translation>
    </message>
    <message>
        <source>cm</source>
        <translation>厘米</translation>
    </message>
    <message>
        <source>inch</source>
        <translation>英寸</translation>
    </message>
    <message>
        <source>Distances in centimetres</source>
        <translation>距离单位：厘米</translation>
    </message>
    <message>
        <source>Distances in inches</source>
        <translation>距离单位：英寸</translation>
    </message>
    <message>
        <source>Alignment result</source>
        <translation>校准结果</translation>
    </message>
    <message>
        <source>Apply</source>
        <translation>应用</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>关闭</translation>
    </message>
</context>
<context>
    <name>CMeasurementDlg</name>
    <message>
        <source>Off</source>
        <translation>关</translation>
    </message>
    <message>
        <source>1/3 octave</source>
        <translation>1/3 倍频程</translation>
    </message>
    <message>
        <source>1/6 octave</source>
        <translation>1/6 倍频程</translation>
    </message>
    <message>
        <source>1/12 octave</source>
        <translation>1/12 倍频程</translation>
    </message>
    <message>
        <source>Load measurement</source>
        <translation>载入测量曲线</translation>
    </message>
    <message>
        <source>Measurement texts (*.txt *.csv *.frd)</source>
        <translation>测量文本 (*.txt *.csv *.frd)</translation>
    </message>
    <message>
        <source>All files (*)</source>
        <translation>所有文件 (*)</translation>
    </message>
    <message>
        <source>The measurement of CH%1 stays as it was.</source>
        <translation>CH%1 的测量曲线保持不变。</translation>
    </message>
    <message>
        <source>CH%1  %2</source>
        <translation>CH%1  %2</translation>
    </message>
    <message>
        <source>No measurement</source>
        <translation>无测量曲线</translation>
    </message>
    <message>
        <source>Load a frequency response measured for this channel (a text export of REW: frequency, SPL and phase). The graph shows it and, dashed, what the channel's EQ makes of it.</source>
        <translation>载入为该通道测得的频率响应（REW 导出的文本：频率、声压级和相位）。曲线图显示该测量曲线，并以虚线显示通道的 EQ 作用后的结果。</translation>
    </message>
    <message>
        <source>%1 points, %2 Hz to %3 Hz.</source>
        <translation>%1 个数据点，%2 Hz 至 %3 Hz。</translation>
    </message>
    <message>
        <source>Moved by %1 dB to 0 dB at %2 Hz.</source>
        <translation>移动 %1 dB，使 %2 Hz 处为 0 dB。</translation>
    </message>
    <message>
        <source>Measurement</source>
        <translation>测量曲线</translation>
    </message>
    <message>
        <source>File</source>
        <translation>文件</translation>
    </message>
    <message>
        <source>Load...</source>
        <translation>载入...</translation>
    </message>
    <message>
        <source>Clear</source>
        <translation>清除</translation>
    </message>
    <message>
        <source>Smoothing</source>
        <translation>平滑</translation>
    </message>
    <message>
        <source>0 dB at</source>
        <translation>0 dB 位于</translation>
    </message>
    <message>
        <source>Move the measurement to 0 dB at a frequency</source>
        <translation>将测量曲线在某一频率处移到 0 dB</translation>
    </message>
    <message>
        <source>Frequency of 0 dB</source>
        <translation>0 dB 的频率</translation>
    </message>
    <message>
        <source>Hz</source>
        <translation>Hz</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>关闭</translation>
    </message>
</context>
</TS>
