<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US" sourcelanguage="zh_CN">
<context>
    <name>ChartDrawer</name>
    <message>
        <source>垂直辅助线1被选中</source>
        <translation>Vertical guide line 1 selected</translation>
    </message>
    <message>
        <source>垂直辅助线2被选中</source>
        <translation>Vertical guide line 2 selected</translation>
    </message>
    <message>
        <source>垂直辅助线1被释放</source>
        <translation>Vertical guide line 1 released</translation>
    </message>
    <message>
        <source>垂直辅助线2被释放</source>
        <translation>Vertical guide line 2 released</translation>
    </message>
    <message>
        <source>垂直辅助线1被释放和隐藏</source>
        <translation>Vertical guide line 1 released and hidden</translation>
    </message>
    <message>
        <source>垂直辅助线2被释放和隐藏</source>
        <translation>Vertical guide line 2 released and hidden</translation>
    </message>
</context>
<context>
    <name>DialogDatabase</name>
    <message>
        <source>Dialog</source>
        <translation>Database Settings</translation>
    </message>
    <message>
        <source>SQLITE</source>
        <translation>SQLITE</translation>
    </message>
    <message>
        <source>数据库</source>
        <translation>Database</translation>
    </message>
</context>
<context>
    <name>DialogNewProject</name>
    <message>
        <source>Dialog</source>
        <translation>New Project</translation>
    </message>
    <message>
        <source>名称：</source>
        <translation>Name:</translation>
    </message>
    <message>
        <source>创建路径：</source>
        <translation>Folder:</translation>
    </message>
    <message>
        <source>驱动库：</source>
        <translation>Driver:</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>新建工程</source>
        <translation>New Project</translation>
    </message>
    <message>
        <source>Select Folder</source>
        <translation>Select Folder</translation>
    </message>
</context>
<context>
    <name>DialogPermissions</name>
    <message>
        <source>Dialog</source>
        <translation>Permissions</translation>
    </message>
    <message>
        <source>确认</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>权限管理</source>
        <translation>Permission Management</translation>
    </message>
    <message>
        <source>用户名：</source>
        <translation>User name:</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>密码：</source>
        <translation>Password:</translation>
    </message>
    <message>
        <source>警告</source>
        <translation>Warning</translation>
    </message>
    <message>
        <source>用户名或密码错误</source>
        <translation>Wrong user name or password</translation>
    </message>
</context>
<context>
    <name>DialogSetLink</name>
    <message>
        <source>Dialog</source>
        <translation>Link Settings</translation>
    </message>
    <message>
        <source>通信方式：</source>
        <translation>Link type:</translation>
    </message>
    <message>
        <source>串口</source>
        <translation>Serial port</translation>
    </message>
    <message>
        <source>网口</source>
        <translation>Network</translation>
    </message>
    <message>
        <source>串口参数</source>
        <translation>Serial parameters</translation>
    </message>
    <message>
        <source>串口号</source>
        <translation>Port name</translation>
    </message>
    <message>
        <source>波特率</source>
        <translation>Baud rate</translation>
    </message>
    <message>
        <source>数据位</source>
        <translation>Data bits</translation>
    </message>
    <message>
        <source>停止位</source>
        <translation>Stop bits</translation>
    </message>
    <message>
        <source>校验位</source>
        <translation>Parity</translation>
    </message>
    <message>
        <source>网口参数</source>
        <translation>Network parameters</translation>
    </message>
    <message>
        <source>IP地址</source>
        <translation>IP address</translation>
    </message>
    <message>
        <source>端口号</source>
        <translation>Port</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>通信设置</source>
        <translation>Link Settings</translation>
    </message>
</context>
<context>
    <name>LabelCsv</name>
    <message>
        <source>无法打开文件 %1：%2</source>
        <translation>Cannot open the file %1: %2</translation>
    </message>
    <message>
        <source>无法写入文件 %1：%2</source>
        <translation>Cannot write the file %1: %2</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>MainWindow</source>
        <translation>MainWindow</translation>
    </message>
    <message>
        <source>标签数据</source>
        <translation>Label Data</translation>
    </message>
    <message>
        <source>取消隐藏</source>
        <translation>Unhide</translation>
    </message>
    <message>
        <source>覆盖时间：</source>
        <translation>Overwrite after:</translation>
    </message>
    <message>
        <source>1天</source>
        <translation>1 day</translation>
    </message>
    <message>
        <source>3天</source>
        <translation>3 days</translation>
    </message>
    <message>
        <source>5天</source>
        <translation>5 days</translation>
    </message>
    <message>
        <source>10天</source>
        <translation>10 days</translation>
    </message>
    <message>
        <source>15天</source>
        <translation>15 days</translation>
    </message>
    <message>
        <source>1个月</source>
        <translation>1 month</translation>
    </message>
    <message>
        <source>3个月</source>
        <translation>3 months</translation>
    </message>
    <message>
        <source>6个月</source>
        <translation>6 months</translation>
    </message>
    <message>
        <source>不覆盖</source>
        <translation>Never</translation>
    </message>
    <message>
        <source>最大使用内存：</source>
        <translation>Max. storage:</translation>
    </message>
    <message>
        <source>10M</source>
        <translation>10M</translation>
    </message>
    <message>
        <source>50M</source>
        <translation>50M</translation>
    </message>
    <message>
        <source>100M</source>
        <translation>100M</translation>
    </message>
    <message>
        <source>500M</source>
        <translation>500M</translation>
    </message>
    <message>
        <source>1G</source>
        <translation>1G</translation>
    </message>
    <message>
        <source>采样时间：</source>
        <translation>Sampling time:</translation>
    </message>
    <message>
        <source>1秒</source>
        <translation>1 s</translation>
    </message>
    <message>
        <source>2秒</source>
        <translation>2 s</translation>
    </message>
    <message>
        <source>5秒</source>
        <translation>5 s</translation>
    </message>
    <message>
        <source>10秒</source>
        <translation>10 s</translation>
    </message>
    <message>
        <source>30秒</source>
        <translation>30 s</translation>
    </message>
    <message>
        <source>60秒/1分钟</source>
        <translation>60 s/1 min</translation>
    </message>
    <message>
        <source>120秒/2分钟</source>
        <translation>120 s/2 min</translation>
    </message>
    <message>
        <source>300秒/5分钟</source>
        <translation>300 s/5 min</translation>
    </message>
    <message>
        <source>停止编辑</source>
        <translation>Stop Editing</translation>
    </message>
    <message>
        <source>开始监视</source>
        <translation>Start Monitoring</translation>
    </message>
    <message>
        <source>停止监视</source>
        <translation>Stop Monitoring</translation>
    </message>
    <message>
        <source>趋势图</source>
        <translation>Trend</translation>
    </message>
    <message>
        <source>暂停</source>
        <translation>Pause</translation>
    </message>
    <message>
        <source>数据组合</source>
        <translation>Data Set</translation>
    </message>
    <message>
        <source>开始</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>数据组合未能保存：无法写入文件%1</source>
        <translation>The data group was not saved: the file %1 cannot be written</translation>
    </message>
    <message>
        <source>查询成功，但没有数据</source>
        <translation>Query successful, but no data available</translation>
    </message>
    <message>
        <source>查询成功</source>
        <translation>Query succeeded</translation>
    </message>
    <message>
        <source>查询失败</source>
        <translation>Query failed</translation>
    </message>
    <message>
        <source>图像已保存：%1</source>
        <translation>Image saved: %1</translation>
    </message>
    <message>
        <source>背景颜色</source>
        <translation>Background</translation>
    </message>
    <message>
        <source>保存图像</source>
        <translation>Save Image</translation>
    </message>
    <message>
        <source>添加</source>
        <translation>Add</translation>
    </message>
    <message>
        <source>删除</source>
        <translation>Delete</translation>
    </message>
    <message>
        <source>保存</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>开始时间</source>
        <translation>Start time</translation>
    </message>
    <message>
        <source>yyyy/M/d H:mm:ss</source>
        <translation>yyyy/M/d H:mm:ss</translation>
    </message>
    <message>
        <source>查看时间</source>
        <translation>Time span</translation>
    </message>
    <message>
        <source>1分钟</source>
        <translation>1 min</translation>
    </message>
    <message>
        <source>3分钟</source>
        <translation>3 min</translation>
    </message>
    <message>
        <source>5分钟</source>
        <translation>5 min</translation>
    </message>
    <message>
        <source>10分钟</source>
        <translation>10 min</translation>
    </message>
    <message>
        <source>15分钟</source>
        <translation>15 min</translation>
    </message>
    <message>
        <source>30分钟</source>
        <translation>30 min</translation>
    </message>
    <message>
        <source>1小时</source>
        <translation>1 h</translation>
    </message>
    <message>
        <source>2小时</source>
        <translation>2 h</translation>
    </message>
    <message>
        <source>3小时</source>
        <translation>3 h</translation>
    </message>
    <message>
        <source>6小时</source>
        <translation>6 h</translation>
    </message>
    <message>
        <source>12小时</source>
        <translation>12 h</translation>
    </message>
    <message>
        <source>24小时/1天</source>
        <translation>24 h/1 day</translation>
    </message>
    <message>
        <source>7天</source>
        <translation>7 days</translation>
    </message>
    <message>
        <source>查询</source>
        <translation>Search</translation>
    </message>
    <message>
        <source>&lt;&lt;</source>
        <translation>&lt;&lt;</translation>
    </message>
    <message>
        <source>&lt;</source>
        <translation>&lt;</translation>
    </message>
    <message>
        <source>&gt;</source>
        <translation>&gt;</translation>
    </message>
    <message>
        <source>&gt;&gt;</source>
        <translation>&gt;&gt;</translation>
    </message>
    <message>
        <source>报表</source>
        <translation>Report</translation>
    </message>
    <message>
        <source>开始时间：</source>
        <translation>Start time:</translation>
    </message>
    <message>
        <source>yyyy-MM-dd HH:mm</source>
        <translation>yyyy-MM-dd HH:mm</translation>
    </message>
    <message>
        <source>结束时间：</source>
        <translation>End time:</translation>
    </message>
    <message>
        <source>当前时间</source>
        <translation>Now</translation>
    </message>
    <message>
        <source>列标题：</source>
        <translation>Column title:</translation>
    </message>
    <message>
        <source>标签</source>
        <translation>Label</translation>
    </message>
    <message>
        <source>描述</source>
        <translation>Description</translation>
    </message>
    <message>
        <source>数据组：</source>
        <translation>Data group:</translation>
    </message>
    <message>
        <source>查询数据</source>
        <translation>Query</translation>
    </message>
    <message>
        <source>保存报表</source>
        <translation>Save Report</translation>
    </message>
    <message>
        <source>程序下载</source>
        <translation>Firmware</translation>
    </message>
    <message>
        <source>Bin文件</source>
        <translation>Bin file</translation>
    </message>
    <message>
        <source>连接</source>
        <translation>Connect</translation>
    </message>
    <message>
        <source>进度：</source>
        <translation>Progress:</translation>
    </message>
    <message>
        <source>打开APP文件</source>
        <translation>Open APP File</translation>
    </message>
    <message>
        <source>Vexmar文件：</source>
        <translation>Vexmar file:</translation>
    </message>
    <message>
        <source>断开</source>
        <translation>Disconnect</translation>
    </message>
    <message>
        <source>打开Vexmar文件</source>
        <translation>Open Vexmar File</translation>
    </message>
    <message>
        <source>数据：</source>
        <translation>Data:</translation>
    </message>
    <message>
        <source>APP文件：</source>
        <translation>APP file:</translation>
    </message>
    <message>
        <source>打开文件</source>
        <translation>Open File</translation>
    </message>
    <message>
        <source>通信方式：</source>
        <translation>Channel:</translation>
    </message>
    <message>
        <source>重启APP版本</source>
        <translation>Reboot APP Version</translation>
    </message>
    <message>
        <source>更新APP</source>
        <translation>Update APP</translation>
    </message>
    <message>
        <source>ESN：</source>
        <translation>ESN:</translation>
    </message>
    <message>
        <source>获取版本信息</source>
        <translation>Get Version</translation>
    </message>
    <message>
        <source>更新Vexmar</source>
        <translation>Update Vexmar</translation>
    </message>
    <message>
        <source>Bin下载</source>
        <translation>Bin Download</translation>
    </message>
    <message>
        <source>1</source>
        <translation>1</translation>
    </message>
    <message>
        <source>串口通信</source>
        <translation>Serial</translation>
    </message>
    <message>
        <source>MQTT通信</source>
        <translation>MQTT</translation>
    </message>
    <message>
        <source>设置APP版本</source>
        <translation>APP version</translation>
    </message>
    <message>
        <source>重启Vexmar版本</source>
        <translation>Reboot Vexmar Version</translation>
    </message>
    <message>
        <source>设置Vexmar版本</source>
        <translation>Vexmar version</translation>
    </message>
    <message>
        <source>标签数据区</source>
        <translation>Label Data Area</translation>
    </message>
    <message>
        <source>数据管理</source>
        <translation>Data Management</translation>
    </message>
    <message>
        <source>    串口连接</source>
        <translation>    Serial Link</translation>
    </message>
    <message>
        <source>离线读取设备数据</source>
        <translation>Read Off Device Data</translation>
    </message>
    <message>
        <source>校准设备时间</source>
        <translation>Set Device Clock</translation>
    </message>
    <message>
        <source>清除设备存储数据</source>
        <translation>Clear Device Memory</translation>
    </message>
    <message>
        <source>清除本地数据库</source>
        <translation>Clear Local Database</translation>
    </message>
    <message>
        <source>    蓝牙连接</source>
        <translation>    Bluetooth Link</translation>
    </message>
    <message>
        <source>蓝牙名称</source>
        <translation>Bluetooth name</translation>
    </message>
    <message>
        <source>串口号</source>
        <translation>Serial port</translation>
    </message>
    <message>
        <source>蓝牙连接</source>
        <translation>Bluetooth Connect</translation>
    </message>
    <message>
        <source>接收数据</source>
        <translation>Receive Data</translation>
    </message>
    <message>
        <source>清除数据库数据</source>
        <translation>Clear Database Data</translation>
    </message>
    <message>
        <source>清除内存数据</source>
        <translation>Clear Memory Data</translation>
    </message>
    <message>
        <source>文件名称</source>
        <translation>File name</translation>
    </message>
    <message>
        <source>文件</source>
        <translation>File</translation>
    </message>
    <message>
        <source>设置</source>
        <translation>Settings</translation>
    </message>
    <message>
        <source>语言设置</source>
        <translation>Language</translation>
    </message>
    <message>
        <source>多应用模式</source>
        <translation>Multiple Mode</translation>
    </message>
    <message>
        <source>打开工程</source>
        <translation>Open Project</translation>
    </message>
    <message>
        <source>保存工程</source>
        <translation>Save Project</translation>
    </message>
    <message>
        <source>新建工程</source>
        <translation>New Project</translation>
    </message>
    <message>
        <source>通信设置</source>
        <translation>Link Settings</translation>
    </message>
    <message>
        <source>数据库设置</source>
        <translation>Database Settings</translation>
    </message>
    <message>
        <source>中文</source>
        <translation>Chinese</translation>
    </message>
    <message>
        <source>英文</source>
        <translation>English</translation>
    </message>
    <message>
        <source>权限设置</source>
        <translation>Permissions</translation>
    </message>
    <message>
        <source>开启多应用模式</source>
        <translation>Enable Multiple Mode</translation>
    </message>
    <message>
        <source>关闭多应用模式</source>
        <translation>Disable Multiple Mode</translation>
    </message>
    <message>
        <source>离线读取</source>
        <translation>Read Off</translation>
    </message>
    <message>
        <source>校对时间</source>
        <translation>Check Time</translation>
    </message>
    <message>
        <source>清除数据</source>
        <translation>Clear Data</translation>
    </message>
    <message>
        <source>关闭程序</source>
        <translation>Exit</translation>
    </message>
    <message>
        <source>托盘标签设置</source>
        <translation>Tray Label</translation>
    </message>
    <message>
        <source>Info</source>
        <translation>Info</translation>
    </message>
    <message>
        <source>Multiple instance mode enabled.</source>
        <translation>Multiple instance mode enabled.</translation>
    </message>
    <message>
        <source>Single instance mode enabled.</source>
        <translation>Single instance mode enabled.</translation>
    </message>
    <message>
        <source>新增标签</source>
        <translation>Add Tags</translation>
    </message>
    <message>
        <source>标签写值</source>
        <translation>Label Write Values</translation>
    </message>
    <message>
        <source>删除标签</source>
        <translation>Delete Tags</translation>
    </message>
    <message>
        <source>导入标签</source>
        <translation>Import Tags</translation>
    </message>
    <message>
        <source>导出标签</source>
        <translation>Export labels</translation>
    </message>
    <message>
        <source>加入趋势图</source>
        <translation>Addition of trend charts</translation>
    </message>
    <message>
        <source>隐藏</source>
        <translation>Hide</translation>
    </message>
    <message>
        <source>删除数据</source>
        <translation>Delete data</translation>
    </message>
    <message>
        <source>修改托盘标签</source>
        <translation>Edit Tray Label</translation>
    </message>
    <message>
        <source>显示窗口</source>
        <translation>Show Windows</translation>
    </message>
    <message>
        <source>退出</source>
        <translation>Quit</translation>
    </message>
    <message>
        <source> —— Multiple Mode</source>
        <translation> —— Multiple Mode</translation>
    </message>
    <message>
        <source>确认退出</source>
        <translation>Warning</translation>
    </message>
    <message>
        <source>确定要退出程序吗？</source>
        <translation>Are you sure you want to exit the program?</translation>
    </message>
    <message>
        <source>新设备</source>
        <translation>New device</translation>
    </message>
    <message>
        <source>权限开启</source>
        <translation>Permission granted</translation>
    </message>
    <message>
        <source>权限关闭</source>
        <translation>Permission withdrawn</translation>
    </message>
    <message>
        <source>时间</source>
        <translation>Time</translation>
    </message>
    <message>
        <source>标签/地址</source>
        <translation>Tag/Address</translation>
    </message>
    <message>
        <source>当前值</source>
        <translation>Current value</translation>
    </message>
    <message>
        <source>单位</source>
        <translation>Unit</translation>
    </message>
    <message>
        <source>数据类型</source>
        <translation>Data Type</translation>
    </message>
    <message>
        <source>提示</source>
        <translation>Info</translation>
    </message>
    <message>
        <source>程序已在运行。</source>
        <translation>The program is already running.</translation>
    </message>
    <message>
        <source>序号</source>
        <translation>No</translation>
    </message>
    <message>
        <source>可视</source>
        <translation>Visible</translation>
    </message>
    <message>
        <source>颜色</source>
        <translation>Color</translation>
    </message>
    <message>
        <source>注释</source>
        <translation>Comment</translation>
    </message>
    <message>
        <source>零刻度</source>
        <translation>Min</translation>
    </message>
    <message>
        <source>满刻度</source>
        <translation>Max</translation>
    </message>
    <message>
        <source>量程自动切换</source>
        <translation>Auto scale</translation>
    </message>
    <message>
        <source>库加载失败</source>
        <translation>Failed to load the driver library</translation>
    </message>
    <message>
        <source>警告</source>
        <translation>Warning</translation>
    </message>
    <message>
        <source>打开数据库失败</source>
        <translation>Failed to open the database</translation>
    </message>
    <message>
        <source>查询不到ID</source>
        <translation>No project ID found yet</translation>
    </message>
    <message>
        <source>数据库无相关ID或数据</source>
        <translation>The database holds no ID or data for this project</translation>
    </message>
    <message>
        <source>打开成功</source>
        <translation>Project opened</translation>
    </message>
    <message>
        <source>错误</source>
        <translation>Error</translation>
    </message>
    <message>
        <source>工程已保存：%1</source>
        <translation>Project saved: %1</translation>
    </message>
    <message>
        <source>工程未保存：%1</source>
        <translation>Project not saved: %1</translation>
    </message>
    <message>
        <source>……另有 %1 个</source>
        <translation>... and %1 more</translation>
    </message>
    <message>
        <source>%1 个标签的数据类型无法识别，按 &quot;null&quot; 处理（不监视，不能写值）；表中保留原来的类型文本，保存时原样写回。请为它们选择数据类型：
%2</source>
        <translation>The data type of %1 label(s) is not known: they count as &quot;null&quot; (not monitored, cannot be written) and keep their type text, which saving writes back unchanged. Choose a data type for them:
%2</translation>
    </message>
    <message>
        <source>dpro</source>
        <translation>dpro</translation>
    </message>
    <message>
        <source>Save CSV</source>
        <translation>Save CSV</translation>
    </message>
    <message>
        <source>Import CSV</source>
        <translation>Import CSV</translation>
    </message>
    <message>
        <source>信息</source>
        <translation>Information</translation>
    </message>
    <message>
        <source>导出失败：%1</source>
        <translation>Export failed: %1</translation>
    </message>
    <message>
        <source>导出完成：%1条记录</source>
        <translation>Export finished: %1 records</translation>
    </message>
    <message>
        <source>导入失败：%1</source>
        <translation>Import failed: %1</translation>
    </message>
    <message>
        <source>导入完成：%1条记录，跳过%2行</source>
        <translation>Import finished: %1 records, %2 rows skipped</translation>
    </message>
    <message>
        <source>导入失败：文件中没有可导入的标签（跳过%1行），标签表未改变</source>
        <translation>Import failed: the file holds no label to import (%1 rows skipped); the label table is unchanged</translation>
    </message>
    <message>
        <source>串口正忙，请稍后再试</source>
        <translation>The serial link is busy; please try again shortly</translation>
    </message>
    <message>
        <source>请设置连接参数：设置-通信设置</source>
        <translation>Please set the link parameters: Settings - Communication</translation>
    </message>
    <message>
        <source>串口打开失败</source>
        <translation>Failed to open the serial port</translation>
    </message>
    <message>
        <source>串口连接已断开：%1</source>
        <translation>The serial link went away: %1</translation>
    </message>
    <message>
        <source>正在读取设备数据：已读取%1批</source>
        <translation>Reading the device records: %1 batches read</translation>
    </message>
    <message>
        <source>连接成功！</source>
        <translation>Connected!</translation>
    </message>
    <message>
        <source>断开成功！</source>
        <translation>Disconnected!</translation>
    </message>
    <message>
        <source>清除成功</source>
        <translation>Cleared</translation>
    </message>
    <message>
        <source>清除失败，错误码：</source>
        <translation>Clearing failed, error code: </translation>
    </message>
    <message>
        <source>校对失败，响应错误</source>
        <translation>Clock setting failed: wrong reply</translation>
    </message>
    <message>
        <source>校对失败，错误码：</source>
        <translation>Clock setting failed, error code: </translation>
    </message>
    <message>
        <source>校对成功</source>
        <translation>Clock set</translation>
    </message>
    <message>
        <source>删除成功</source>
        <translation>Deleted</translation>
    </message>
    <message>
        <source>删除失败</source>
        <translation>Deletion failed</translation>
    </message>
    <message>
        <source>读取数据</source>
        <translation>Read Data</translation>
    </message>
    <message>
        <source>读取数据请等待</source>
        <translation>Reading data, please wait</translation>
    </message>
    <message>
        <source>离线数据导入完成</source>
        <translation>Offline data imported</translation>
    </message>
    <message>
        <source>蓝牙导入完成</source>
        <translation>Bluetooth import completed</translation>
    </message>
    <message>
        <source>校验错误，离线数据导入停止</source>
        <translation>Check error; offline data import stopped</translation>
    </message>
    <message>
        <source>校验错误，蓝牙数据导入停止</source>
        <translation>Check error; Bluetooth data import stopped</translation>
    </message>
    <message>
        <source>bin Files (*.bin)</source>
        <translation>bin Files (*.bin)</translation>
    </message>
    <message>
        <source>下载完成</source>
        <translation>Download completed</translation>
    </message>
    <message>
        <source>下载失败</source>
        <translation>Failed to download</translation>
    </message>
    <message>
        <source>文件大小错误</source>
        <translation>File Size Error</translation>
    </message>
    <message>
        <source>提示信息</source>
        <translation>Information</translation>
    </message>
    <message>
        <source>未加载驱动库，无法开始监视</source>
        <translation>No driver library is loaded; monitoring cannot start</translation>
    </message>
    <message>
        <source>请配置通信设置</source>
        <translation>Please configure the communication settings</translation>
    </message>
    <message>
        <source>监视失败</source>
        <translation>Monitoring failed</translation>
    </message>
    <message>
        <source>开始监视</source>
        <comment>status bar</comment>
        <translation>Monitoring started</translation>
    </message>
    <message>
        <source>历史数据写入失败</source>
        <translation>Samples could not be stored in the history database</translation>
    </message>
    <message>
        <source>历史数据无法写入：%1
%2
监视继续，但采样不会被保存；恢复写入时状态栏会提示。</source>
        <translation>The history cannot be written: %1
%2
Monitoring goes on, but no sample is stored; the status bar will say when writing works again.</translation>
    </message>
    <message>
        <source>历史数据已恢复写入（%1 起的采样未能保存）</source>
        <translation>The history is written again (samples since %1 were not stored)</translation>
    </message>
    <message>
        <source>数据库未打开</source>
        <translation>The database is not open</translation>
    </message>
    <message>
        <source>多应用模式未开启，历史数据仍写入 %1。</source>
        <translation>Multiple instance mode was not enabled; the history is still written to %1.</translation>
    </message>
    <message>
        <source>单应用模式未开启。</source>
        <translation>Single instance mode was not enabled.</translation>
    </message>
    <message>
        <source>工程未打开，历史数据仍写入 %1。</source>
        <translation>The project was not opened; the history is still written to %1.</translation>
    </message>
    <message>
        <source>工程未打开。</source>
        <translation>The project was not opened.</translation>
    </message>
    <message>
        <source>停止监视</source>
        <comment>status bar</comment>
        <translation>Monitoring stopped</translation>
    </message>
    <message>
        <source>标签已改变，未写入</source>
        <translation>The label row has changed; nothing was written</translation>
    </message>
    <message>
        <source>该类型的标签不能写值：%1</source>
        <translation>A label of this type cannot be written: %1</translation>
    </message>
    <message>
        <source>未加载驱动库，未写入</source>
        <translation>No driver library is loaded; nothing was written</translation>
    </message>
    <message>
        <source>写值成功：%1 = %2</source>
        <translation>Written: %1 = %2</translation>
    </message>
    <message>
        <source>未执行</source>
        <translation>not done</translation>
    </message>
    <message>
        <source>该地址不支持此数据类型</source>
        <translation>the address does not take this data type</translation>
    </message>
    <message>
        <source>无法识别的地址</source>
        <translation>address not recognised</translation>
    </message>
    <message>
        <source>数量或长度不符</source>
        <translation>count or length does not fit</translation>
    </message>
    <message>
        <source>地址超出区域范围</source>
        <translation>address beyond the end of its area</translation>
    </message>
    <message>
        <source>输入区的值会被设备覆盖</source>
        <translation>the device overwrites values in an input area</translation>
    </message>
    <message>
        <source>等待写值：%1</source>
        <translation>Write waiting: %1</translation>
    </message>
    <message>
        <source>已写入：%1 = %2（%3，状态码 %4）</source>
        <translation>Written: %1 = %2 (%3, status code %4)</translation>
    </message>
    <message>
        <source>写值失败：%1（%2，状态码 %3）</source>
        <translation>Write failed: %1 (%2, status code %3)</translation>
    </message>
    <message>
        <source>写值失败：%1（状态码 %2）</source>
        <translation>Write failed: %1 (status code %2)</translation>
    </message>
    <message>
        <source>监视失败(原因：端口号%1无效，应为1到65535)</source>
        <translation>Monitoring failed (reason: port %1 is not valid; use 1 to 65535)</translation>
    </message>
    <message>
        <source>监视失败(原因：IP或地址错误)</source>
        <translation>Monitoring failed (reason: wrong IP or address)</translation>
    </message>
    <message>
        <source>监视失败(原因：握手错误)</source>
        <translation>Monitoring failed (reason: handshake error)</translation>
    </message>
    <message>
        <source>监视失败(原因：socket连接失败)</source>
        <translation>Monitoring failed (reason: socket connection failed)</translation>
    </message>
    <message>
        <source>监视失败(原因：输入参数错误)</source>
        <translation>Monitoring failed (reason: invalid input parameters)</translation>
    </message>
    <message>
        <source>连接异常：返回错误，设备响应报文错误</source>
        <translation>Connection problem: the device replied with a faulty frame</translation>
    </message>
    <message>
        <source>连接异常：响应超时</source>
        <translation>Connection problem: response timeout</translation>
    </message>
    <message>
        <source>连接异常：设备掉线</source>
        <translation>Connection problem: the device is offline</translation>
    </message>
    <message>
        <source>“%1”正在进行，请等它结束后再操作</source>
        <translation>“%1” is running; please wait until it has finished</translation>
    </message>
    <message>
        <source>“%1”正在进行。
停止作业：已收到的数据完整保存，并告知停在何处，然后退出程序。
等待：作业结束后退出程序。</source>
        <translation>“%1” is running.
Stop the job: what has been received is kept whole and you are told where it stopped, then the program quits.
Wait: the program quits once the job has ended.</translation>
    </message>
    <message>
        <source>停止作业并退出</source>
        <translation>Stop the job and quit</translation>
    </message>
    <message>
        <source>等待作业结束后退出</source>
        <translation>Quit when the job has ended</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>“%1”结束后退出程序</source>
        <translation>The program quits once “%1” has ended</translation>
    </message>
    <message>
        <source>正在停止“%1”，停止后退出程序</source>
        <translation>Stopping “%1”; the program quits once it has stopped</translation>
    </message>
    <message>
        <source>下载已停止：已写入 %1/%2 Byte，设备未收到结束标记</source>
        <translation>Download stopped: %1/%2 Byte written; the device got no finish mark</translation>
    </message>
    <message>
        <source>设备已收到开始标记，已写入 %1/%2 Byte，未收到结束标记</source>
        <translation>The device has the start mark and %1/%2 Byte; it got no finish mark</translation>
    </message>
    <message>
        <source>设备已收到开始标记，已写入 %1/%2 Byte，结束标记未获确认</source>
        <translation>The device has the start mark and %1/%2 Byte; its finish mark was not confirmed</translation>
    </message>
    <message>
        <source>设备已收到开始标记、%1/%2 Byte 和结束标记，关闭命令未获确认</source>
        <translation>The device has the start mark, %1/%2 Byte and the finish mark; the closing commands were not confirmed</translation>
    </message>
    <message>
        <source>离线数据导入已停止：已导入%1批（%2条数据），停在记录索引%3</source>
        <translation>Offline data import stopped: %1 batches (%2 values) imported, stopped at record index %3</translation>
    </message>
    <message>
        <source>蓝牙数据导入已停止：已导入%1批（%2条数据），停在记录索引%3</source>
        <translation>Bluetooth data import stopped: %1 batches (%2 values) imported, stopped at record index %3</translation>
    </message>
</context>
<context>
    <name>Update_Bin</name>
    <message>
        <source>MQTT 错误 %1：%2</source>
        <translation>MQTT error %1: %2</translation>
    </message>
    <message>
        <source>FW crc 错误</source>
        <translation>FW crc error</translation>
    </message>
    <message>
        <source>错误代码:</source>
        <translation>Error code:</translation>
    </message>
    <message>
        <source>设备号无效：不能为空，不能含有“+”“#”“/”</source>
        <translation>Invalid device id: it must not be empty or hold "+", "#" or "/"</translation>
    </message>
    <message>
        <source>带升级文件路径：</source>
        <translation>Path of the file to upgrade: </translation>
    </message>
    <message>
        <source>确保文件正确，错误升级bin文件将导致系统损坏</source>
        <translation>Make sure the file is correct: a wrong bin file will damage the system</translation>
    </message>
    <message>
        <source>文件过小，请确认文件</source>
        <translation>File too small, please check the file</translation>
    </message>
    <message>
        <source>文件过大，请确认文件</source>
        <translation>File too large, please check the file</translation>
    </message>
    <message>
        <source>APP返回包不连续</source>
        <translation>APP requests out of sequence</translation>
    </message>
    <message>
        <source>Vexmar返回包不连续</source>
        <translation>Vexmar requests out of sequence</translation>
    </message>
    <message>
        <source>APP 下载完成</source>
        <translation>APP download complete</translation>
    </message>
    <message>
        <source>Vexmar 下载完成</source>
        <translation>Vexmar download complete</translation>
    </message>
    <message>
        <source>与 MQTT 服务器的连接断开</source>
        <translation>the link to the MQTT broker was lost</translation>
    </message>
    <message>
        <source>MQTT 错误：找不到配置文件 %1（其中须有 mqtt/hostname 和 mqtt/port）</source>
        <translation>MQTT error: the settings file %1 was not found (it must hold mqtt/hostname and mqtt/port)</translation>
    </message>
    <message>
        <source>MQTT 错误：配置文件 %1 格式错误</source>
        <translation>MQTT error: the settings file %1 is no valid INI file</translation>
    </message>
    <message>
        <source>MQTT 错误：配置文件 %1 缺少 %2</source>
        <translation>MQTT error: the settings file %1 lacks %2</translation>
    </message>
    <message>
        <source>MQTT 错误：配置文件 %1 中 %2 的值“%3”无效</source>
        <translation>MQTT error: in the settings file %1 the value "%3" of %2 is not valid</translation>
    </message>
    <message>
        <source>控制器不再请求数据</source>
        <translation>the controller asks for no more data</translation>
    </message>
    <message>
        <source>串口未连接，请先点击“%1”</source>
        <translation>The serial line is not connected: press “%1” first</translation>
    </message>
    <message>
        <source>串口写入失败</source>
        <translation>writing to the serial line failed</translation>
    </message>
    <message>
        <source>串口连接断开</source>
        <translation>the serial line was lost</translation>
    </message>
    <message>
        <source>%1 上传未完成（%2），停在 %3/%4 Byte</source>
        <translation>%1 upload not finished (%2), stopped at %3/%4 Byte</translation>
    </message>
    <message>
        <source>退出程序前停止</source>
        <translation>stopped before quitting</translation>
    </message>
    <message>
        <source>提示信息</source>
        <translation>Tips</translation>
    </message>
</context>
<context>
    <name>dialogSystemTray</name>
    <message>
        <source>Form</source>
        <translation>Tray Label</translation>
    </message>
    <message>
        <source>托盘标签名称</source>
        <translation>Tray label</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>ProjectFile</name>
    <message>
        <source>无法打开项目文件 %1：%2</source>
        <translation>Cannot open the project file %1: %2</translation>
    </message>
    <message>
        <source>项目文件 %1 第 %2 行有错误：%3</source>
        <translation>The project file %1 has an error in line %2: %3</translation>
    </message>
    <message>
        <source>无法保存项目文件 %1：%2</source>
        <translation>Cannot save the project file %1: %2</translation>
    </message>
    <message>
        <source>工程名称</source>
        <translation>The project name</translation>
    </message>
    <message>
        <source>驱动库名称</source>
        <translation>The driver library name</translation>
    </message>
    <message>
        <source>通信设置</source>
        <translation>The link settings</translation>
    </message>
    <message>
        <source>第 %1 行（标签 %2）的%3含有项目文件无法保存的字符 %4</source>
        <translation>the %3 of row %1 (label %2) holds the character %4, which a project file cannot hold</translation>
    </message>
    <message>
        <source>%1含有项目文件无法保存的字符 %2</source>
        <translation>%1 holds the character %2, which a project file cannot hold</translation>
    </message>
    <message>
        <source>项目文件已存在：%1</source>
        <translation>The project file already exists: %1</translation>
    </message>
    <message>
        <source>无法创建项目文件 %1：%2</source>
        <translation>Cannot create the project file %1: %2</translation>
    </message>
    <message>
        <source>驱动库名称无效：%1</source>
        <translation>Invalid driver library name: %1</translation>
    </message>
    <message>
        <source>在 %1 中找不到驱动库 %2</source>
        <translation>Driver library %2 not found in %1</translation>
    </message>
</context>
<context>
    <name>SQLiteHandler</name>
    <message>
        <source>无法打开数据库连接！</source>
        <translation>Cannot open the database connection!</translation>
    </message>
    <message>
        <source>无法准备查询！</source>
        <translation>Cannot prepare the query!</translation>
    </message>
    <message>
        <source>无法创建表格！</source>
        <translation>Cannot create the table!</translation>
    </message>
</context>
<context>
    <name>DialogWriteLabel</name>
    <message>
        <source>不是有效的数值：%1</source>
        <translation>Not a valid number: %1</translation>
    </message>
    <message>
        <source>数值 %1 超出 %2 的范围（%3 至 %4）</source>
        <translation>The value %1 is outside the range of %2 (%3 to %4)</translation>
    </message>
    <message>
        <source>Dialog</source>
        <translation>Write Value</translation>
    </message>
    <message>
        <source>标签名：</source>
        <translation>Label name:</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>提示</source>
        <translation>Note</translation>
    </message>
</context>
<context>
    <name>datasheet</name>
    <message>
        <source>时间</source>
        <translation>Time</translation>
    </message>
    <message>
        <source>查询失败</source>
        <translation>Query failed</translation>
    </message>
    <message>
        <source>查询成功</source>
        <translation>Query succeeded</translation>
    </message>
    <message>
        <source>报表保存失败</source>
        <translation>Failed to save the report</translation>
    </message>
    <message>
        <source>报表保存成功</source>
        <translation>Report saved</translation>
    </message>
    <message>
        <source>报表有%1行，超过工作表可容纳的%2行，未保存；请缩短时间范围</source>
        <translation>The report has %1 rows, more than the %2 a worksheet holds; not saved. Please shorten the time span</translation>
    </message>
    <message>
        <source>正在查询……</source>
        <translation>Querying…</translation>
    </message>
    <message>
        <source>查询失败：历史数据文件正被其他程序占用，请稍后再试</source>
        <translation>Query failed: the history file is held by another program; please try again later</translation>
    </message>
    <message>
        <source>查询失败：%1</source>
        <translation>Query failed: %1</translation>
    </message>
    <message>
        <source>查询成功，但没有数据</source>
        <translation>Query successful, but no data available</translation>
    </message>
    <message>
        <source>查询失败：数据组没有标签</source>
        <translation>Query failed: the data group has no labels</translation>
    </message>
    <message>
        <source>正在保存报表……</source>
        <translation>Saving the report…</translation>
    </message>
    <message>
        <source>报表保存失败：%1</source>
        <translation>Failed to save the report: %1</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>PNG 图像 (*.png)</source>
        <translation>PNG Image (*.png)</translation>
    </message>
    <message>
        <source>图像保存失败：%1</source>
        <translation>Failed to save the image: %1</translation>
    </message>
</context>
</TS>
