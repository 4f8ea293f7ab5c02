<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN" sourcelanguage="zh_CN">
<context>
    <name />
    <message>
        <source>Tapwise</source>
        <translation>Tapwise</translation>
    </message>
</context>
<context>
    <name>QKitDialog</name>
    <message>
        <source>关闭</source>
        <translation>关闭</translation>
    </message>
</context>
<context>
    <name>QKitLoginDialog</name>
    <message>
        <source>登录</source>
        <translation>登录</translation>
    </message>
    <message>
        <source>用户名</source>
        <translation>用户名</translation>
    </message>
    <message>
        <source>密码（可选）</source>
        <translation>密码（可选）</translation>
    </message>
    <message>
        <source>新的用户名会创建本机账户；设置了密码的账户需输入密码。</source>
        <translation>新的用户名会创建本机账户；设置了密码的账户需输入密码。</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>取消</translation>
    </message>
    <message>
        <source>登录失败</source>
        <translation>登录失败</translation>
    </message>
</context>
<context>
    <name>QKitMessageDialog</name>
    <message>
        <source>确定</source>
        <translation>确定</translation>
    </message>
    <message>
        <source>前往下载</source>
        <translation>前往下载</translation>
    </message>
</context>
<context>
    <name>QKitPanel</name>
    <message>
        <source>联系客服</source>
        <translation>联系客服</translation>
    </message>
    <message>
        <source>登录</source>
        <translation>登录</translation>
    </message>
    <message>
        <source>退出登录</source>
        <translation>退出登录</translation>
    </message>
    <message>
        <source>未登录</source>
        <translation>未登录</translation>
    </message>
    <message>
        <source>来源：%1</source>
        <translation>来源：%1</translation>
    </message>
    <message>
        <source>设备码：%1</source>
        <translation>设备码：%1</translation>
    </message>
    <message>
        <source>使用中遇到问题？请把设备码告诉客服，我们会尽快帮您解决。</source>
        <translation>使用中遇到问题？请把设备码告诉客服，我们会尽快帮您解决。</translation>
    </message>
</context>
<context>
    <name>QMainWidget</name>
    <message>
        <source>版本号：v%1</source>
        <translation>版本号：v%1</translation>
    </message>
    <message>
        <source>登录</source>
        <translation>登录</translation>
    </message>
    <message>
        <source>客服</source>
        <translation>客服</translation>
    </message>
    <message>
        <source>菜单</source>
        <translation>菜单</translation>
    </message>
</context>
<context>
    <name>QMainWidgetClass</name>
    <message>
        <source>QMainWidget</source>
        <translation>QMainWidget</translation>
    </message>
    <message>
        <source>TextLabel</source>
        <translation>TextLabel</translation>
    </message>
</context>
<context>
    <name>QObject</name>
    <message>
        <source>传入的参数为空</source>
        <translation>传入的参数为空</translation>
    </message>
    <message>
        <source>json 格式错误！</source>
        <translation>json 格式错误！</translation>
    </message>
</context>
<context>
    <name>QUserHelp</name>
    <message>
        <source>请输入用户名</source>
        <translation>请输入用户名</translation>
    </message>
    <message>
        <source>用户名不能超过 %1 个字符</source>
        <translation>用户名不能超过 %1 个字符</translation>
    </message>
    <message>
        <source>用户名不能包含控制字符</source>
        <translation>用户名不能包含控制字符</translation>
    </message>
    <message>
        <source>密码错误，请重新输入</source>
        <translation>密码错误，请重新输入</translation>
    </message>
    <message>
        <source>无法保存账户信息：%1</source>
        <translation>无法保存账户信息：%1</translation>
    </message>
    <message>
        <source>退出登录</source>
        <translation>退出登录</translation>
    </message>
    <message>
        <source>检查更新</source>
        <translation>检查更新</translation>
    </message>
    <message>
        <source>关于</source>
        <translation>关于</translation>
    </message>
    <message>
        <source>关于 %1</source>
        <translation>关于 %1</translation>
    </message>
    <message>
        <source>%1
版本 %2</source>
        <translation>%1
版本 %2</translation>
    </message>
    <message>
        <source>未配置更新地址，无法检查更新。</source>
        <translation>未配置更新地址，无法检查更新。</translation>
    </message>
    <message>
        <source>更新地址无效：%1</source>
        <translation>更新地址无效：%1</translation>
    </message>
    <message>
        <source>检查更新失败：网络服务未启动</source>
        <translation>检查更新失败：网络服务未启动</translation>
    </message>
    <message>
        <source>检查更新失败：%1</source>
        <translation>检查更新失败：%1</translation>
    </message>
    <message>
        <source>检查更新失败：更新信息无效</source>
        <translation>检查更新失败：更新信息无效</translation>
    </message>
    <message>
        <source>发现新版本 %1（当前版本 %2）。</source>
        <translation>发现新版本 %1（当前版本 %2）。</translation>
    </message>
    <message>
        <source>已是最新版本（%1）。</source>
        <translation>已是最新版本（%1）。</translation>
    </message>
</context>
<context>
    <name>QWebBrowser</name>
    <message>
        <source>方法 %1 不存在！</source>
        <translation>方法 %1 不存在！</translation>
    </message>
    <message>
        <source>该方法 %1 不支持异步调用！</source>
        <translation>该方法 %1 不支持异步调用！</translation>
    </message>
    <message>
        <source>方法 %1 执行出错：%2</source>
        <translation>方法 %1 执行出错：%2</translation>
    </message>
    <message>
        <source>异步调用 %1 过多，请稍后再试！</source>
        <translation>异步调用 %1 过多，请稍后再试！</translation>
    </message>
</context>
</TS>
