#!/usr/bin/env python3
"""Fills translations/keystride_en.ts from the table below and keystride_zh.ts with the source
texts (the sources are Chinese). Run after lupdate; texts missing from the table stay unfinished,
which the translation test reports."""
import re
import sys
import xml.etree.ElementTree as ET
from pathlib import Path

ENGLISH = {
    "Tapwise": "Tapwise",
    "关闭": "Close",
    "登录": "Sign in",
    "用户名": "Name",
    "密码（可选）": "Password (optional)",
    "新的用户名会创建本机账户；设置了密码的账户需输入密码。":
        "A new name creates a profile on this computer; a profile with a password needs it.",
    "取消": "Cancel",
    "登录失败": "Sign-in failed",
    "确定": "OK",
    "前往下载": "Download",
    "联系客服": "Contact support",
    "退出登录": "Sign out",
    "未登录": "Not signed in",
    "来源：%1": "Source: %1",
    "设备码：%1": "Device code: %1",
    "使用中遇到问题？请把设备码告诉客服，我们会尽快帮您解决。":
        "Having trouble? Tell support your device code and we will help you as soon as we can.",
    "版本号：v%1": "Version: v%1",
    "客服": "Support",
    "菜单": "Menu",
    "QMainWidget": "Tapwise",
    "TextLabel": "Tapwise",
    "传入的参数为空": "The argument is empty",
    "json 格式错误！": "Malformed JSON!",
    "请输入用户名": "Please enter a name",
    "用户名不能超过 %1 个字符": "A name cannot be longer than %1 characters",
    "用户名不能包含控制字符": "A name cannot contain control characters",
    "密码错误，请重新输入": "Wrong password, please try again",
    "无法保存账户信息：%1": "Cannot save the profile: %1",
    "检查更新": "Check for updates",
    "关于": "About",
    "关于 %1": "About %1",
    "%1\n版本 %2": "%1\nVersion %2",
    "未配置更新地址，无法检查更新。": "No update address is configured, so updates cannot be checked.",
    "更新地址无效：%1": "Invalid update address: %1",
    "检查更新失败：网络服务未启动": "Update check failed: the network service is not running",
    "检查更新失败：%1": "Update check failed: %1",
    "检查更新失败：更新信息无效": "Update check failed: the version information is invalid",
    "发现新版本 %1（当前版本 %2）。": "Version %1 is available (you have %2).",
    "已是最新版本（%1）。": "You have the latest version (%1).",
    "方法 %1 不存在！": "Method %1 does not exist!",
    "该方法 %1 不支持异步调用！": "Method %1 cannot be called asynchronously!",
    "方法 %1 执行出错：%2": "Method %1 failed: %2",
    "不支持的语言：%1": "Unsupported language: %1",
    "无法保存语言设置：%1": "Cannot save the language setting: %1",
    "异步调用 %1 过多，请稍后再试！":
        "Too many asynchronous calls of %1 are waiting; please try again later.",
}


def fill(path: Path, translate):
    tree = ET.parse(path)
    missing = []
    for message in tree.getroot().iter("message"):
        source = message.findtext("source")
        translation = message.find("translation")
        if translation.get("type") in ("vanished", "obsolete"):
            continue
        text = translate(source)
        if text is None:
            missing.append(source)
            continue
        translation.text = text
        translation.attrib.pop("type", None)
    body = ET.tostring(tree.getroot(), encoding="unicode")
    path.write_text('<?xml version="1.0" encoding="utf-8"?>\n<!DOCTYPE TS>\n' + body + "\n",
                    encoding="utf-8")
    return missing


root = Path(__file__).resolve().parent.parent / "translations"
missing = fill(root / "keystride_en.ts", ENGLISH.get)
fill(root / "keystride_zh.ts", lambda source: source)
for source in missing:
    print("no English text for:", source, file=sys.stderr)
sys.exit(1 if missing else 0)
