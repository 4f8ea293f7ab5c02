<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US" sourcelanguage="zh_CN">
<context>
    <name />
    <message>
        <source>Tapwise</source>
        <translation>Tapwise</translation>
    </message>
</context>
<context>
    <name>HostCommands</name>
    <message>
        <source>不支持的语言：%1</source>
        <translation>Unsupported language: %1</translation>
    </message>
    <message>
        <source>无法保存语言设置：%1</source>
        <translation>Cannot save the language setting: %1</translation>
    </message>
</context>
<context>
    <name>QKitDialog</name>
    <message>
        <source>关闭</source>
        <translation>Close</translation>
    </message>
</context>
<context>
    <name>QKitLoginDialog</name>
    <message>
        <source>登录</source>
        <translation>Sign in</translation>
    </message>
    <message>
        <source>用户名</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>密码（可选）</source>
        <translation>Password (optional)</translation>
    </message>
    <message>
        <source>新的用户名会创建本机账户；设置了密码的账户需输入密码。</source>
        <translation>A new name creates a profile on this computer; a profile with a password needs it.</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>登录失败</source>
        <translation>Sign-in failed</translation>
    </message>
</context>
<context>
    <name>QKitMessageDialog</name>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>前往下载</source>
        <translation>Download</translation>
    </message>
</context>
<context>
    <name>QKitPanel</name>
    <message>
        <source>联系客服</source>
        <translation>Contact support</translation>
    </message>
    <message>
        <source>登录</source>
        <translation>Sign in</translation>
    </message>
    <message>
        <source>退出登录</source>
        <translation>Sign out</translation>
    </message>
    <message>
        <source>未登录</source>
        <translation>Not signed in</translation>
    </message>
    <message>
        <source>来源：%1</source>
        <translation>Source: %1</translation>
    </message>
    <message>
        <source>设备码：%1</source>
        <translation>Device code: %1</translation>
    </message>
    <message>
        <source>使用中遇到问题？请把设备码告诉客服，我们会尽快帮您解决。</source>
        <translation>Having trouble? Tell support your device code and we will help you as soon as we can.</translation>
    </message>
</context>
<context>
    <name>QMainWidget</name>
    <message>
        <source>版本号：v%1</source>
        <translation>Version: v%1</translation>
    </message>
    <message>
        <source>登录</source>
        <translation>Sign in</translation>
    </message>
    <message>
        <source>客服</source>
        <translation>Support</translation>
    </message>
    <message>
        <source>菜单</source>
        <translation>Menu</translation>
    </message>
</context>
<context>
    <name>QMainWidgetClass</name>
    <message>
        <source>QMainWidget</source>
        <translation>Tapwise</translation>
    </message>
    <message>
        <source>TextLabel</source>
        <translation>Tapwise</translation>
    </message>
</context>
<context>
    <name>QObject</name>
    <message>
        <source>传入的参数为空</source>
        <translation>The argument is empty</translation>
    </message>
    <message>
        <source>json 格式错误！</source>
        <translation>Malformed JSON!</translation>
    </message>
</context>
<context>
    <name>QUserHelp</name>
    <message>
        <source>请输入用户名</source>
        <translation>Please enter a name</translation>
    </message>
    <message>
        <source>用户名不能超过 %1 个字符</source>
        <translation>A name cannot be longer than %1 characters</translation>
    </message>
    <message>
        <source>用户名不能包含控制字符</source>
        <translation>A name cannot contain control characters</translation>
    </message>
    <message>
        <source>密码错误，请重新输入</source>
        <translation>Wrong password, please try again</translation>
    </message>
    <message>
        <source>无法保存账户信息：%1</source>
        <translation>Cannot save the profile: %1</translation>
    </message>
    <message>
        <source>退出登录</source>
        <translation>Sign out</translation>
    </message>
    <message>
        <source>检查更新</source>
        <translation>Check for updates</translation>
    </message>
    <message>
        <source>关于</source>
        <translation>About</translation>
    </message>
    <message>
        <source>关于 %1</source>
        <translation>About %1</translation>
    </message>
    <message>
        <source>%1
版本 %2</source>
        <translation>%1
Version %2</translation>
    </message>
    <message>
        <source>未配置更新地址，无法检查更新。</source>
        <translation>No update address is configured, so updates cannot be checked.</translation>
    </message>
    <message>
        <source>更新地址无效：%1</source>
        <translation>Invalid update address: %1</translation>
    </message>
    <message>
        <source>检查更新失败：网络服务未启动</source>
        <translation>Update check failed: the network service is not running</translation>
    </message>
    <message>
        <source>检查更新失败：%1</source>
        <translation>Update check failed: %1</translation>
    </message>
    <message>
        <source>检查更新失败：更新信息无效</source>
        <translation>Update check failed: the version information is invalid</translation>
    </message>
    <message>
        <source>发现新版本 %1（当前版本 %2）。</source>
        <translation>Version %1 is available (you have %2).</translation>
    </message>
    <message>
        <source>已是最新版本（%1）。</source>
        <translation>You have the latest version (%1).</translation>
    </message>
</context>
<context>
    <name>QWebBrowser</name>
    <message>
        <source>方法 %1 不存在！</source>
        <translation>Method %1 does not exist!</translation>
    </message>
    <message>
        <source>该方法 %1 不支持异步调用！</source>
        <translation>Method %1 cannot be called asynchronously!</translation>
    </message>
    <message>
        <source>方法 %1 执行出错：%2</source>
        <translation>Method %1 failed: %2</translation>
    </message>
    <message>
        <source>异步调用 %1 过多，请稍后再试！</source>
        <translation>Too many asynchronous calls of %1 are waiting; please try again later.</translation>
    </message>
</context>
</TS>
