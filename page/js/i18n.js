/* Interface texts in Chinese and English; the language follows navigator.language. */
(function (global) {
    'use strict';
    var Tapwise = (global.Tapwise = global.Tapwise || {});

    var texts = {
        zh: {
            appName: 'Tapwise',
            appTagline: '打字练习',
            signInButton: '登录',
            accountButton: '切换账号',
            refreshSignIn: '刷新登录状态',
            stateSignedIn: '已登录',
            stateSignedOut: '未登录',
            stateChecking: '正在查询…',
            stateUnknown: '登录状态未知',
            stateNoAnswer: '应用没有回复',
            stateMalformed: '应用的回复无法识别',
            stateFailed: '查询失败：{msg}',
            loginFormFailed: '无法打开登录窗口：{msg}',
            browserMode: '浏览器模式 · 无登录与窗口控制',
            minimize: '最小化',
            maximize: '最大化 / 还原',
            close: '关闭',
            lessons: '课程',
            progressOf: '已通过 {done} / {total}',
            profileGuest: '进度保存在本机（访客）',
            profileUser: '进度保存在本机（已登录用户）',
            profileBrowser: '进度保存在此浏览器',
            storageUnavailable: '无法保存进度：浏览器存储不可用',
            locked: '完成上一课后解锁',
            passed: '已通过',
            best: '最佳 {wpm} WPM',
            lessonLabel: '第 {n} 课',
            goal: '目标：{wpm} WPM，准确率 {accuracy}%',
            wpm: '速度',
            wpmUnit: 'WPM',
            accuracy: '准确率',
            time: '用时',
            progress: '进度',
            errors: '错误',
            startHint: '直接开始打字，计时从第一次按键开始',
            typingHint: 'Esc 重新开始 · Backspace 改正',
            focusHint: '点击这里或按任意字母键继续打字',
            keyboardCaption: '键上的数字是本课在该键上的错误次数',
            results: '课程完成',
            resultsPassed: '达到目标，下一课已解锁',
            resultsFailed: '还没有达到目标，再练一次吧',
            keystrokes: '按键',
            corrected: '已改正',
            uncorrected: '未改正',
            troubleKeys: '需要多练的键',
            noTroubleKeys: '本课没有按错的键，很好！',
            retry: '再练一次',
            next: '下一课',
            resultsHint: 'Enter {primary} · R 再练一次',
            lastLesson: '已是最后一课',
            seconds: '{s} 秒',
            minutesSeconds: '{m} 分 {s} 秒',
            stageHome: '基准键位',
            stageTop: '上排键',
            stageBottom: '下排键',
            stageFull: '全键盘',
            stageNumbers: '数字与符号',
            stagePassages: '英文短文',
            keySpace: '空格',
            keyShift: 'Shift',
            keyBackspace: '退格',
            keyEnter: 'Enter',
            keyTab: 'Tab',
            keyCaps: 'Caps',
            keyAltGr: 'AltGr',
            stageLetters: '本语言字母',
            stageInitials: '声母',
            stageFinals: '韵母',
            stageChars: '常用字',
            stageWords: '常用词',
            stagePinyinPassages: '短文',
            cpmUnit: '字/分',
            bestCpm: '最佳 {wpm} 字/分',
            goalCpm: '目标：每分钟 {wpm} 字，准确率 {accuracy}%',
            courseKeys: '键位练习',
            coursePinyin: '拼音练习',
            layoutLabel: '键盘布局',
            pinyinLessons: '拼音课程',
            layoutMismatch: '你的按键看起来来自{guess}布局，而课程按{chosen}设置。可以在“键盘布局”中改选{guess}，或切换系统的键盘布局。',
            layoutMismatchUnknown: '你的按键与所选的{chosen}布局不一致。请在“键盘布局”中选择你的布局，或切换系统的键盘布局。',
            useLayout: '改用{guess}',
            dismiss: '知道了'
        },
        en: {
            appName: 'Tapwise',
            appTagline: 'Typing tutor',
            signInButton: 'Sign in',
            accountButton: 'Switch account',
            refreshSignIn: 'Refresh sign-in state',
            stateSignedIn: 'Signed in',
            stateSignedOut: 'Not signed in',
            stateChecking: 'Checking…',
            stateUnknown: 'Sign-in state unknown',
            stateNoAnswer: 'The app did not answer',
            stateMalformed: 'The app sent an unreadable answer',
            stateFailed: 'Query failed: {msg}',
            loginFormFailed: 'Could not open the sign-in window: {msg}',
            browserMode: 'Browser mode · no sign-in or window controls',
            minimize: 'Minimise',
            maximize: 'Maximise / restore',
            close: 'Close',
            lessons: 'Lessons',
            progressOf: '{done} of {total} passed',
            profileGuest: 'Progress kept on this computer (guest)',
            profileUser: 'Progress kept on this computer (signed-in user)',
            profileBrowser: 'Progress kept in this browser',
            storageUnavailable: 'Progress cannot be saved: browser storage is unavailable',
            locked: 'Unlocks when the previous lesson is passed',
            passed: 'Passed',
            best: 'Best {wpm} WPM',
            lessonLabel: 'Lesson {n}',
            goal: 'Goal: {wpm} WPM at {accuracy}% accuracy',
            wpm: 'Speed',
            wpmUnit: 'WPM',
            accuracy: 'Accuracy',
            time: 'Time',
            progress: 'Progress',
            errors: 'Errors',
            startHint: 'Just start typing; the clock starts at your first key',
            typingHint: 'Esc restarts · Backspace corrects',
            focusHint: 'Click here or press any letter to keep typing',
            keyboardCaption: 'The number on a key counts your mistakes on it in this lesson',
            results: 'Lesson complete',
            resultsPassed: 'Goal reached: the next lesson is unlocked',
            resultsFailed: 'Not quite at the goal yet; try it once more',
            keystrokes: 'Keystrokes',
            corrected: 'Corrected',
            uncorrected: 'Uncorrected',
            troubleKeys: 'Keys to practise',
            noTroubleKeys: 'No wrong keys in this lesson. Well done!',
            retry: 'Try again',
            next: 'Next lesson',
            resultsHint: 'Enter {primary} · R try again',
            lastLesson: 'That was the last lesson',
            seconds: '{s} s',
            minutesSeconds: '{m} min {s} s',
            stageHome: 'Home row',
            stageTop: 'Top row',
            stageBottom: 'Bottom row',
            stageFull: 'Full keyboard',
            stageNumbers: 'Numbers and symbols',
            stagePassages: 'English passages',
            keySpace: 'Space',
            keyShift: 'Shift',
            keyBackspace: 'Backspace',
            keyEnter: 'Enter',
            keyTab: 'Tab',
            keyCaps: 'Caps',
            keyAltGr: 'AltGr',
            stageLetters: 'The language\'s letters',
            stageInitials: 'Initials',
            stageFinals: 'Finals',
            stageChars: 'Common characters',
            stageWords: 'Common words',
            stagePinyinPassages: 'Passages',
            cpmUnit: 'chars/min',
            bestCpm: 'Best {wpm} chars/min',
            goalCpm: 'Goal: {wpm} characters a minute at {accuracy}% accuracy',
            courseKeys: 'Touch typing',
            coursePinyin: 'Pinyin',
            layoutLabel: 'Layout',
            pinyinLessons: 'Pinyin lessons',
            layoutMismatch: 'Your keys look like {guess}, but the lessons are set for {chosen}. Pick {guess} under Layout, or switch your system\'s keyboard layout.',
            layoutMismatchUnknown: 'Your keys do not match {chosen}. Pick your layout under Layout, or switch your system\'s keyboard layout.',
            useLayout: 'Use {guess}',
            dismiss: 'Got it'
        }
    };

    /** Chinese for any zh language tag, English otherwise. */
    function pickLanguage(tag) {
        return typeof tag === 'string' && /^zh\b/i.test(tag) ? 'zh' : 'en';
    }

    var language = pickLanguage(global.navigator && global.navigator.language);

    function t(key, params) {
        var table = texts[language];
        var text = Object.prototype.hasOwnProperty.call(table, key) ? table[key] : key;
        if (params) {
            text = text.replace(/\{(\w+)\}/g, function (whole, name) {
                return Object.prototype.hasOwnProperty.call(params, name) ? String(params[name]) : whole;
            });
        }
        return text;
    }

    /** Picks the current language's member of a {zh, en} record. */
    function pick(record) {
        if (record === null || typeof record !== 'object') return String(record);
        return record[language] !== undefined ? record[language] : record.en;
    }

    Tapwise.i18n = {
        texts: texts,
        pickLanguage: pickLanguage,
        language: function () {
            return language;
        },
        setLanguage: function (lang) {
            language = texts[lang] ? lang : 'en';
        },
        t: t,
        pick: pick
    };
})(window);
