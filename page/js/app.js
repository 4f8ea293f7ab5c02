/*
 * The tutor's screens and title bar: wires the bridge, the sign-in state, the lessons, the
 * typing session, the keyboard view and the saved progress to the page.
 */
(function (global) {
    'use strict';
    var Tapwise = (global.Tapwise = global.Tapwise || {});
    var document = global.document;
    var i18n = Tapwise.i18n;
    var t = i18n.t;
    var bridge = Tapwise.bridge;
    var lessons = Tapwise.lessons;
    var keyboard = Tapwise.keyboard;
    var storage = Tapwise.storage;
    var history = Tapwise.history;
    var layouts = Tapwise.layouts;
    var pinyin = Tapwise.pinyin;

    var kLiveRefreshMs = 250;
    var kToastMs = 4500;

    // One line per event in the console: the shell writes the page's console to its log.
    function log(message) {
        if (global.console) global.console.info('Tapwise: ' + message);
    }

    function $(id) {
        return document.getElementById(id);
    }

    function now() {
        return Date.now();
    }

    function formatTime(ms) {
        var total = Math.floor(ms / 1000);
        var minutes = Math.floor(total / 60);
        var seconds = total % 60;
        return minutes + ':' + (seconds < 10 ? '0' : '') + seconds;
    }

    function formatDuration(ms) {
        var total = Math.round(ms / 1000);
        var minutes = Math.floor(total / 60);
        var seconds = total % 60;
        return minutes > 0 ? t('minutesSeconds', { m: minutes, s: seconds }) : t('seconds', { s: seconds });
    }

    function formatNumber(value) {
        return (Math.round(value * 10) / 10).toFixed(value >= 100 ? 0 : 1).replace(/\.0$/, '');
    }

    function isControl(element) {
        if (!element || element === document.body) return false;
        return /^(BUTTON|A|INPUT|SELECT|TEXTAREA)$/.test(element.tagName);
    }

    var app = {
        screen: 'lesson',
        lessonIndex: 0,
        // The running practice lesson (weak keys, key by key, an own text), or null for a
        // graded lesson.
        practice: null,
        session: null,
        lastResult: null,
        progress: null,
        history: null,
        customTexts: null,
        signIn: null,
        liveTimer: null,
        toastTimer: null,
        keyboardView: null,
        resultsKeyboard: null,
        maximized: false,
        profileName: null,
        preferences: null,
        layoutWatch: null,
        noticeLayout: null
    };

    /* ---------- texts ---------- */

    function applyTexts() {
        document.documentElement.lang = i18n.language() === 'zh' ? 'zh-CN' : 'en';
        Array.prototype.forEach.call(document.querySelectorAll('[data-i18n]'), function (element) {
            element.textContent = t(element.getAttribute('data-i18n'));
        });
        Array.prototype.forEach.call(document.querySelectorAll('[data-i18n-title]'), function (element) {
            var text = t(element.getAttribute('data-i18n-title'));
            element.title = text;
            element.setAttribute('aria-label', text);
        });
    }

    function showToast(text) {
        var toast = $('toast');
        toast.textContent = text;
        toast.hidden = false;
        if (app.toastTimer !== null) global.clearTimeout(app.toastTimer);
        app.toastTimer = global.setTimeout(function () {
            toast.hidden = true;
            app.toastTimer = null;
        }, kToastMs);
    }

    /* ---------- title bar ---------- */

    function setUpTitleBar() {
        var shell = bridge.inShell();
        $('account').hidden = !shell;
        $('browserNote').hidden = shell;
        var controls = { btnMinimize: 'win_minimized', btnMaximize: 'win_maximized', btnClose: 'win_close' };
        var anyControl = false;
        Object.keys(controls).forEach(function (id) {
            var available = bridge.present(controls[id]);
            $(id).hidden = !available;
            anyControl = anyControl || available;
        });
        $('windowControls').hidden = !anyControl;

        $('btnMinimize').addEventListener('click', function () {
            bridge.minimize();
        });
        $('btnMaximize').addEventListener('click', toggleMaximized);
        $('btnClose').addEventListener('click', function () {
            bridge.close();
        });
        $('dragSpace').addEventListener('dblclick', toggleMaximized);
        $('btnSignIn').addEventListener('click', showLoginForm);
        $('btnRefreshSignIn').addEventListener('click', function () {
            app.signIn.refreshAsync();
        });
        global.addEventListener('resize', updateMaximizedLook);
    }

    function toggleMaximized() {
        if (!bridge.present('win_maximized')) return;
        bridge.toggleMaximized();
    }

    function updateMaximizedLook() {
        var screen = global.screen;
        app.maximized = !!screen && global.innerWidth >= screen.availWidth - 2 && global.innerHeight >= screen.availHeight - 2;
        $('btnMaximize').classList.toggle('is-maximized', app.maximized);
    }

    function showLoginForm() {
        var reply = bridge.request('showLoginForm', undefined, false);
        if (reply.ok) return;
        var msg = reply.reason === 'failed' && reply.msg ? reply.msg : t(reply.reason === 'failed' ? 'stateUnknown' : 'stateMalformed');
        if (reply.reason === 'refused') msg = t('stateNoAnswer');
        showToast(t('loginFormFailed', { msg: msg }));
    }

    function signInLabel(signIn) {
        switch (signIn.status) {
        case 'in':
            return signIn.name ? t('stateSignedInAs', { name: signIn.name }) : t('stateSignedIn');
        case 'out':
            return t('stateSignedOut');
        case 'error':
            if (signIn.reason === 'failed') return signIn.msg ? t('stateFailed', { msg: signIn.msg }) : t('stateUnknown');
            if (signIn.reason === 'malformed') return t('stateMalformed');
            if (signIn.reason === 'noAnswer' || signIn.reason === 'refused') return t('stateNoAnswer');
            return t('stateUnknown');
        default:
            return '';
        }
    }

    function renderSignIn() {
        var signIn = app.signIn;
        var state = $('signinState');
        state.setAttribute('data-status', signIn.status);
        state.setAttribute('data-reason', signIn.reason);
        state.classList.toggle('is-pending', signIn.pending);
        var label = signInLabel(signIn);
        $('signinLabel').textContent = signIn.pending ? t('stateChecking') : label;
        state.title = signIn.status === 'error' ? t('stateUnknown') + ' — ' + label : label;
        $('btnSignIn').textContent = t(signIn.signedIn() ? 'accountButton' : 'signInButton');
    }

    /* ---------- progress and lesson list ---------- */

    function currentProfile() {
        if (!bridge.inShell()) return 'guest';
        var signedIn = app.signIn.signedIn();
        // A shell that names the profile keys progress by it; an older one only by this device.
        if (signedIn && app.signIn.name) return storage.profileKey(true, '', app.signIn.name);
        return storage.profileKey(signedIn, signedIn ? bridge.deviceId() : '');
    }

    function isPassed(id) {
        return app.progress.isPassed(id);
    }

    function openProfile(profile) {
        app.profileName = profile;
        app.preferences = new Tapwise.Preferences(profile);
        applyCourse(app.preferences.courseFor(i18n.language()), app.preferences.layout);
        app.progress = new storage.Progress(progressKey(profile));
        app.history = new history.History(profile);
        app.customTexts = new Tapwise.customtext.CustomTexts(profile);
        log('progress of ' + profile + ': ' + app.progress.passedCount() + ' passed, ' +
            app.history.totalSessions() + ' runs' + (app.history.skipped ? ', ' + app.history.skipped + ' unreadable skipped' : ''));
        var note;
        if (!app.progress.persistent) note = t('storageUnavailable');
        else if (!bridge.inShell()) note = t('profileBrowser');
        else note = t(profile === 'guest' ? 'profileGuest' : 'profileUser');
        $('profileNote').textContent = note;
        $('profileNote').classList.toggle('is-warning', !app.progress.persistent);
        announce('tapwise:profile');
    }

    function announce(name) {
        document.dispatchEvent(new global.CustomEvent(name));
    }

    /** Switches to the profile of a definite sign-in answer; a failed query keeps the current one. */
    function followSignIn() {
        renderSignIn();
        if (!app.signIn.pending) {
            log('sign-in state: ' + app.signIn.status + (app.signIn.reason ? ' (' + app.signIn.reason + ')' : '') +
                (app.signIn.pushed ? ', pushed by the shell' : ''));
        }
        var profile = currentProfile();
        if (app.progress && app.profileName === profile) return;
        openProfile(profile);
        renderLessonList();
        if (app.screen !== 'lesson' && app.screen !== 'results') return;
        if (app.screen === 'results' || !(app.session && app.session.started())) {
            startLesson(lessons.recommendedIndex(isPassed), false);
        }
    }

    function renderLessonList() {
        var list = $('lessonList');
        var focusedIndex = document.activeElement && document.activeElement.getAttribute('data-index');
        list.textContent = '';
        var stage = null;
        var passedCount = 0;
        lessons.list.forEach(function (lesson, index) {
            if (lesson.stage !== stage) {
                stage = lesson.stage;
                var stageTitle = lessons.stages.filter(function (entry) {
                    return entry.id === stage;
                })[0];
                var heading = document.createElement('li');
                heading.className = 'stage-heading';
                heading.setAttribute('role', 'presentation');
                heading.textContent = t(stageTitle.title);
                list.appendChild(heading);
            }
            var record = app.progress.lesson(lesson.id);
            var passed = !!(record && record.passed);
            if (passed) passedCount += 1;
            var unlocked = lessons.isUnlocked(index, isPassed);
            var item = document.createElement('li');
            var button = document.createElement('button');
            button.type = 'button';
            button.className = 'lesson-item';
            button.setAttribute('data-index', String(index));
            button.setAttribute('data-lesson', lesson.id);
            if (index === app.lessonIndex && !app.practice) {
                button.classList.add('is-current');
                button.setAttribute('aria-current', 'true');
            }
            if (passed) button.classList.add('is-passed');
            if (!unlocked) {
                button.classList.add('is-locked');
                button.disabled = true;
                button.title = t('locked');
            }
            var number = document.createElement('span');
            number.className = 'lesson-item-number';
            number.textContent = String(index + 1);
            var title = document.createElement('span');
            title.className = 'lesson-item-title';
            title.textContent = i18n.pick(lesson.title);
            var meta = document.createElement('span');
            meta.className = 'lesson-item-meta';
            if (record && record.attempts > 0) meta.textContent = t(courseUnit() === 'cpm' ? 'bestCpm' : 'best', { wpm: formatNumber(record.bestWpm) });
            var mark = document.createElement('span');
            mark.className = 'lesson-item-mark';
            mark.setAttribute('aria-hidden', 'true');
            if (passed) mark.textContent = '✓';
            else if (!unlocked) mark.appendChild(lockIcon());
            button.appendChild(number);
            button.appendChild(title);
            button.appendChild(meta);
            button.appendChild(mark);
            button.addEventListener('click', function () {
                startLesson(index, true);
            });
            item.appendChild(button);
            list.appendChild(item);
        });
        $('sidebarProgress').textContent = t('progressOf', { done: passedCount, total: lessons.list.length });
        $('overallProgress').style.width = (100 * passedCount / lessons.list.length).toFixed(1) + '%';
        var current = list.querySelector('.is-current');
        if (current) keepInView(list, current);
        if (focusedIndex !== null && focusedIndex !== undefined) {
            var again = list.querySelector('[data-index="' + focusedIndex + '"]');
            if (again && !again.disabled) again.focus();
        }
    }

    /** Scrolls the list just enough to show the element. */
    function keepInView(list, element) {
        var top = element.offsetTop;
        var bottom = top + element.offsetHeight;
        if (top < list.scrollTop) list.scrollTop = Math.max(0, top - 8);
        else if (bottom > list.scrollTop + list.clientHeight) list.scrollTop = bottom - list.clientHeight + 8;
    }

    function lockIcon() {
        var ns = 'http://www.w3.org/2000/svg';
        var svg = document.createElementNS(ns, 'svg');
        svg.setAttribute('viewBox', '0 0 12 12');
        svg.setAttribute('class', 'lock-icon');
        var body = document.createElementNS(ns, 'rect');
        body.setAttribute('x', '2.5');
        body.setAttribute('y', '5.5');
        body.setAttribute('width', '7');
        body.setAttribute('height', '5');
        body.setAttribute('rx', '1');
        var shackle = document.createElementNS(ns, 'path');
        shackle.setAttribute('d', 'M4 5.5V4a2 2 0 0 1 4 0v1.5');
        svg.appendChild(body);
        svg.appendChild(shackle);
        return svg;
    }

    function moveListFocus(step) {
        var buttons = Array.prototype.filter.call(document.querySelectorAll('.lesson-item'), function (button) {
            return !button.disabled;
        });
        var index = buttons.indexOf(document.activeElement);
        if (index < 0) return false;
        var target = buttons[Math.max(0, Math.min(buttons.length - 1, index + step))];
        target.focus();
        keepInView($('lessonList'), target);
        return true;
    }

    /* ---------- lesson screen ---------- */

    function showScreen(name) {
        if (name !== 'lesson') stopLiveTimer();
        app.screen = name;
        Array.prototype.forEach.call(document.querySelectorAll('.stage > .screen'), function (screen) {
            screen.hidden = screen.id !== name + 'Screen';
        });
        announce('tapwise:screen');
    }

    /** Opens lesson index for a fresh run; focus moves to the text when asked. */
    function startLesson(index, focus) {
        if (index < 0 || index >= lessons.list.length || !lessons.isUnlocked(index, isPassed)) return false;
        app.lessonIndex = index;
        app.practice = null;
        openSession(focus);
        return true;
    }

    /**
     * Opens a practice lesson ({id, kind, title, text, goal: null, describe(), summary(),
     * next()}) for a fresh run.
     */
    function startPractice(lesson, focus) {
        if (!lesson || typeof lesson.text !== 'string' || lesson.text.length === 0) return false;
        app.practice = lesson;
        openSession(focus);
        return true;
    }

    function currentLesson() {
        return app.practice || lessons.list[app.lessonIndex];
    }

    function renderLessonHead() {
        var lesson = currentLesson();
        $('lessonNumber').textContent = app.practice ? t('practiceLabel') : t('lessonLabel', { n: app.lessonIndex + 1 });
        $('lessonTitle').textContent = i18n.pick(lesson.title);
        $('lessonTip').textContent = app.practice ? (lesson.describe ? lesson.describe() : '') : i18n.pick(lesson.tip);
        $('lessonGoal').textContent = lesson.goal ? goalText(lesson) : '';
        $('lessonGoal').hidden = !lesson.goal;
    }

    function openSession(focus) {
        var lesson = currentLesson();
        app.session = lesson.items ? new pinyin.PinyinSession(lesson) : new Tapwise.TypingSession(lesson.text);
        stopLiveTimer();
        showScreen('lesson');
        renderUnitLabels();
        renderLessonHead();
        renderText();
        renderLive();
        app.keyboardView.setErrors({});
        app.keyboardView.highlight(app.session.nextChar());
        $('typingHint').textContent = t('startHint');
        renderLessonList();
        if (focus) $('typingPanel').focus();
        updateFocusHint();
    }

    function renderText() {
        var container = $('typingText');
        var text = app.session.text;
        if (app.session.lesson) {
            pinyin.renderText(container, app.session.lesson);
            updateText(0, text.length);
            return;
        }
        container.classList.remove('is-pinyin');
        container.textContent = '';
        var word = null;
        for (var i = 0; i < text.length; ++i) {
            if (word === null) {
                word = document.createElement('span');
                word.className = 'word';
                container.appendChild(word);
            }
            var ch = document.createElement('span');
            ch.className = 'ch';
            if (text.charAt(i) === ' ') {
                // A visible, unbreakable space inside the word; lines break only between words.
                ch.textContent = '\u00a0';
                word.appendChild(ch);
                container.appendChild(document.createTextNode('\u200b'));
                word = null;
                continue;
            }
            ch.textContent = text.charAt(i);
            word.appendChild(ch);
        }
        updateText(0, text.length);
    }

    function updateText(from, to) {
        var chars = $('typingText').querySelectorAll('.ch');
        var session = app.session;
        var current = null;
        for (var i = Math.max(0, from); i < Math.min(to, chars.length); ++i) {
            var state = session.stateAt(i);
            var element = chars[i];
            element.className = 'ch' + (session.text.charAt(i) === ' ' ? ' space' : '') + ' is-' + state;
            if (state === 'current') current = element;
        }
        if (current) scrollIntoLine(current.closest('.py-syllable') || current);
    }

    /** Keeps the line with the caret visible: scrolls the panel when the caret leaves it. */
    function scrollIntoLine(element) {
        var panel = $('typingText');
        var top = element.offsetTop;
        var lineHeight = element.offsetHeight || 1;
        if (top < panel.scrollTop || top + lineHeight > panel.scrollTop + panel.clientHeight) {
            panel.scrollTop = Math.max(0, top - lineHeight);
        }
    }

    function renderLive() {
        var session = app.session;
        var at = now();
        var accuracy = session.accuracy();
        $('statWpm').textContent = String(Math.round(unit() === 'cpm' ? session.cpm(at) : session.wpm(at)));
        $('statAccuracy').textContent = accuracy === null ? '—' : formatNumber(accuracy * 100);
        $('statErrors').textContent = String(session.keystrokes - session.correctKeystrokes);
        $('statTime').textContent = formatTime(session.elapsedMs(at));
        $('lessonProgress').style.width = (session.progress() * 100).toFixed(1) + '%';
    }

    function startLiveTimer() {
        if (app.liveTimer !== null) return;
        app.liveTimer = global.setInterval(renderLive, kLiveRefreshMs);
    }

    function stopLiveTimer() {
        if (app.liveTimer === null) return;
        global.clearInterval(app.liveTimer);
        app.liveTimer = null;
    }

    function typeChar(ch) {
        var session = app.session;
        var position = session.position();
        var correct = session.input(ch, now());
        if (correct === null) return;
        if (session.keystrokes === 1) {
            $('typingHint').textContent = t('typingHint');
            startLiveTimer();
        }
        app.keyboardView.flash(session.text.charAt(position), correct);
        updateText(position, position + 2);
        afterChange();
    }

    function erase(word) {
        var session = app.session;
        var before = session.position();
        if (!(word ? session.backspaceWord() : session.backspace())) return;
        updateText(session.position(), before + 1);
        afterChange();
    }

    function afterChange() {
        var session = app.session;
        app.keyboardView.setErrors(keyboard.byKey(session.keyErrors));
        app.keyboardView.highlight(session.nextChar());
        renderLive();
        if (session.finished()) finishLesson();
    }

    /* ---------- courses and layouts ---------- */

    /** The speed unit of the course's lessons: characters a minute for pinyin, else words. */
    function courseUnit() {
        return lessons.course && lessons.course.unit === 'cpm' ? 'cpm' : 'wpm';
    }

    /** The speed unit of the open run: practice texts are typed as keys, also beside pinyin. */
    function unit() {
        return app.practice ? 'wpm' : courseUnit();
    }

    function renderUnitLabels() {
        Array.prototype.forEach.call(document.querySelectorAll('[data-i18n="wpmUnit"], [data-i18n="cpmUnit"]'), function (element) {
            element.setAttribute('data-i18n', unit() + 'Unit');
            element.textContent = t(unit() + 'Unit');
        });
    }

    /** The speed of a result or goal in the current course's unit. */
    function speedOf(figures) {
        return unit() === 'cpm' ? figures.cpm : figures.wpm;
    }

    function goalText(lesson) {
        return t(unit() === 'cpm' ? 'goalCpm' : 'goal', { wpm: speedOf(lesson.goal), accuracy: lesson.goal.accuracy });
    }

    function progressKey(profile) {
        return storage.trackKey(profile, currentLayout());
    }

    /** Makes the course of kind ('keys' or 'pinyin') on a layout id current, with its keyboard. */
    function applyCourse(kind, layoutId) {
        var layout = keyboard.setLayout(layoutId);
        lessons.setCourse(kind === 'pinyin' ? pinyin.course : Tapwise.courses.forLayout(layout.id));
        app.keyboardView.render();
        app.resultsKeyboard.render();
        if (app.layoutWatch) app.layoutWatch.reset(layout.id);
        else app.layoutWatch = new layouts.LayoutWatch(layout.id);
        hideLayoutNotice();
        renderUnitLabels();
        Array.prototype.forEach.call(document.querySelectorAll('.course-tab'), function (tab) {
            var selected = tab.getAttribute('data-course') === kind;
            tab.classList.toggle('is-selected', selected);
            tab.setAttribute('aria-selected', selected ? 'true' : 'false');
        });
        $('layoutSelect').value = layout.id;
        $('lessonsHeading').setAttribute('data-i18n', kind === 'pinyin' ? 'pinyinLessons' : 'lessons');
        $('lessonsHeading').textContent = t(kind === 'pinyin' ? 'pinyinLessons' : 'lessons');
        document.body.setAttribute('data-course', kind);
    }

    /** Switches course or layout at the user's word; the choice is remembered for the profile. */
    function switchCourse(kind, layoutId) {
        app.preferences.save(kind, layoutId);
        applyCourse(kind, layoutId);
        app.progress = new storage.Progress(progressKey(app.profileName));
        log('course: ' + lessons.course.id + ' on ' + keyboard.layout.id);
        startLesson(lessons.recommendedIndex(isPassed), false);
    }

    function setUpCourseBar() {
        var select = $('layoutSelect');
        layouts.list.forEach(function (layout) {
            var option = document.createElement('option');
            option.value = layout.id;
            option.textContent = i18n.pick(layout.name);
            select.appendChild(option);
        });
        select.value = keyboard.layout.id;
        select.addEventListener('change', function () {
            switchCourse(lessons.course.kind, select.value);
        });
        Array.prototype.forEach.call(document.querySelectorAll('.course-tab'), function (tab) {
            tab.addEventListener('click', function () {
                var kind = tab.getAttribute('data-course');
                if (kind !== lessons.course.kind) switchCourse(kind, keyboard.layout.id);
            });
        });
        $('btnUseLayout').addEventListener('click', function () {
            if (app.noticeLayout) switchCourse(lessons.course.kind, app.noticeLayout);
            $('typingPanel').focus();
        });
        $('btnDismissNotice').addEventListener('click', function () {
            hideLayoutNotice();
            $('typingPanel').focus();
        });
    }

    /** Tells once per chosen layout when the keys arriving come from another layout. */
    function watchLayout(code, key) {
        var finding = app.layoutWatch.observe(code, key);
        if (!finding) return;
        var chosen = i18n.pick(finding.chosen.name);
        var guess = finding.guess && finding.guess.id !== finding.chosen.id ? finding.guess : null;
        app.noticeLayout = guess ? guess.id : null;
        $('layoutNoticeText').textContent = guess ?
            t('layoutMismatch', { chosen: chosen, guess: i18n.pick(guess.name) }) :
            t('layoutMismatchUnknown', { chosen: chosen });
        $('btnUseLayout').hidden = !guess;
        if (guess) $('btnUseLayout').textContent = t('useLayout', { guess: i18n.pick(guess.name) });
        $('layoutNotice').hidden = false;
        log('keys do not match the ' + finding.chosen.id + ' layout' + (guess ? ' but ' + guess.id : ''));
    }

    function hideLayoutNotice() {
        $('layoutNotice').hidden = true;
        app.noticeLayout = null;
    }

    /* ---------- results ---------- */

    function finishLesson() {
        stopLiveTimer();
        var lesson = currentLesson();
        var at = now();
        var result = app.session.result(at);
        var passed = false;
        var wasUnlocked = true;
        if (!app.practice) {
            passed = lessons.passes(lesson, result);
            wasUnlocked = lessons.isUnlocked(app.lessonIndex + 1, isPassed);
            app.progress.record(lesson.id, {
                wpm: speedOf(result),
                accuracy: result.accuracy,
                keyErrors: keyboard.byKey(result.keyErrors),
                keyHits: keyboard.byKey(result.keyHits)
            }, passed);
        }
        if (!app.history.add(history.makeSession(lesson, result, at, runTrack(), keyboard.keyFor))) {
            showToast(t('historyNotSaved'));
        }
        app.lastResult = { lesson: lesson, result: result, passed: passed, unlockedNext: passed && !wasUnlocked };
        log('lesson ' + lesson.id + ' finished: ' + speedOf(result) + ' ' + unit().toUpperCase() + ', ' + result.accuracy + '% accuracy, ' +
            result.keystrokes + ' keystrokes, ' + (passed ? 'passed' : 'not passed'));
        renderResults();
        renderLessonList();
        showScreen('results');
        var primary = primaryAction() === 'next' ? $('btnNext') : $('btnRetry');
        primary.focus();
    }

    /**
     * The track the course's figures belong to: the chosen layout, or "pinyin". History and
     * progress of different tracks are kept apart.
     */
    function currentLayout() {
        return lessons.course.kind === 'pinyin' ? 'pinyin' : keyboard.layout.id;
    }

    /** The track of the open run: practice texts are typed as keys on the chosen layout. */
    function runTrack() {
        return app.practice ? keyboard.layout.id : currentLayout();
    }

    function hasNext() {
        if (app.practice) return typeof app.practice.next === 'function';
        return app.lessonIndex + 1 < lessons.list.length && lessons.isUnlocked(app.lessonIndex + 1, isPassed);
    }

    function primaryAction() {
        if (app.practice) return hasNext() ? 'next' : 'retry';
        return app.lastResult && app.lastResult.passed && hasNext() ? 'next' : 'retry';
    }

    function renderResults() {
        var last = app.lastResult;
        var result = last.result;
        var lesson = last.lesson;
        var practice = lesson.goal === null;
        $('resultsLesson').textContent = (practice ? t('practiceLabel') : t('lessonLabel', { n: lesson.index + 1 })) +
            ' · ' + i18n.pick(lesson.title);
        $('resultWpm').textContent = formatNumber(speedOf(result));
        $('resultAccuracy').textContent = formatNumber(result.accuracy) + '%';
        $('resultTime').textContent = formatDuration(result.timeMs);
        $('resultKeystrokes').textContent = String(result.keystrokes);
        $('resultErrors').textContent = String(result.errors);
        $('resultCorrected').textContent = String(result.errors - result.uncorrected);
        $('resultUncorrected').textContent = String(result.uncorrected);
        var verdict = $('resultsVerdict');
        if (practice) {
            verdict.textContent = t('practiceDone');
            verdict.className = 'verdict is-practice';
            $('resultsGoal').textContent = lesson.summary ? lesson.summary() : '';
        } else {
            verdict.textContent = t(last.passed ? 'resultsPassed' : 'resultsFailed');
            verdict.className = 'verdict ' + (last.passed ? 'is-passed' : 'is-failed');
            var wpmMet = speedOf(result) >= speedOf(lesson.goal);
            var accuracyMet = result.accuracy >= lesson.goal.accuracy;
            $('resultsGoal').textContent = goalText(lesson) +
                '  ' + (wpmMet ? '✓' : '✗') + ' ' + formatNumber(speedOf(result)) + ' ' + t(unit() + 'Unit') + '  ' +
                (accuracyMet ? '✓' : '✗') + ' ' + formatNumber(result.accuracy) + '%';
        }

        var errorsByKey = keyboard.byKey(result.keyErrors);
        var hitsByKey = keyboard.byKey(result.keyHits);
        app.resultsKeyboard.setErrors(errorsByKey);
        app.resultsKeyboard.highlight(null);
        var trouble = $('troubleList');
        trouble.textContent = '';
        var worst = Object.keys(errorsByKey).sort(function (a, b) {
            return errorsByKey[b] - errorsByKey[a] || (a < b ? -1 : 1);
        }).slice(0, 6);
        if (worst.length === 0) {
            var none = document.createElement('li');
            none.className = 'trouble-none';
            none.textContent = t('noTroubleKeys');
            trouble.appendChild(none);
        }
        worst.forEach(function (id) {
            var item = document.createElement('li');
            item.setAttribute('data-key', id);
            var name = document.createElement('kbd');
            name.textContent = keyboard.keyName(id);
            var count = document.createElement('span');
            count.className = 'trouble-count';
            count.textContent = errorsByKey[id] + ' / ' + (hitsByKey[id] || errorsByKey[id]);
            var bar = document.createElement('span');
            bar.className = 'trouble-bar';
            bar.style.width = Math.round(100 * errorsByKey[id] / Math.max(1, hitsByKey[id] || 1)) + '%';
            item.appendChild(name);
            item.appendChild(bar);
            item.appendChild(count);
            trouble.appendChild(item);
        });

        var next = hasNext();
        $('btnNext').hidden = !next;
        $('btnNext').textContent = t(practice ? 'nextText' : 'next');
        $('btnNext').classList.toggle('primary', primaryAction() === 'next');
        $('btnRetry').classList.toggle('primary', primaryAction() === 'retry');
        var primaryText = primaryAction() === 'next' ? $('btnNext').textContent : t('retry');
        $('resultsHint').textContent = (practice || next || app.lessonIndex + 1 < lessons.list.length ? '' : t('lastLesson') + ' · ') +
            t('resultsHint', { primary: primaryText });
    }

    function retry() {
        if (app.practice) startPractice(app.practice, true);
        else startLesson(app.lessonIndex, true);
    }

    function next() {
        if (!hasNext()) return;
        if (app.practice) startPractice(app.practice.next(), true);
        else startLesson(app.lessonIndex + 1, true);
    }

    /* ---------- keyboard input ---------- */

    function updateFocusHint() {
        var active = document.activeElement;
        var typingFocus = active === $('typingPanel') || active === document.body || active === null;
        $('focusHint').hidden = app.screen !== 'lesson' || typingFocus || !(app.session && app.session.started());
    }

    function onKeyDown(event) {
        if (event.isComposing || event.defaultPrevented) return;
        var target = event.target;
        var onControl = isControl(target);
        var key = event.key;
        var plain = !event.ctrlKey && !event.metaKey && !event.altKey;

        if (onControl && target.classList.contains('lesson-item') && (key === 'ArrowDown' || key === 'ArrowUp')) {
            if (moveListFocus(key === 'ArrowDown' ? 1 : -1)) event.preventDefault();
            return;
        }

        if (app.screen === 'results') {
            if (onControl && (key === 'Enter' || key === ' ')) return;
            if (key === 'Enter' && plain) {
                event.preventDefault();
                if (primaryAction() === 'next') next();
                else retry();
            } else if ((key === 'r' || key === 'R') && plain) {
                event.preventDefault();
                retry();
            } else if ((key === 'n' || key === 'N') && plain) {
                event.preventDefault();
                next();
            } else if (key === 'Escape') {
                event.preventDefault();
                retry();
            }
            return;
        }

        if (app.screen !== 'lesson' || !app.session) return;
        // Windows reports AltGr as Ctrl+Alt: with AltGraph down the key is a character.
        var altGraph = !!(event.getModifierState && event.getModifierState('AltGraph'));
        var printable = key.length === 1 && !event.metaKey && (altGraph || (!event.ctrlKey && !event.altKey));
        if (onControl) {
            // Controls keep their own keys; any other character goes back to the text.
            if (!printable || key === ' ') return;
            $('typingPanel').focus();
        }
        if (key === 'Escape') {
            event.preventDefault();
            retry();
        } else if (key === 'Backspace') {
            event.preventDefault();
            erase(event.ctrlKey || event.altKey);
        } else if (printable) {
            event.preventDefault();
            watchLayout(event.code, key);
            typeChar(key);
        }
        updateFocusHint();
    }

    /* ---------- language ---------- */

    /** Shows every text again in the current language, keeping the run in progress. */
    function relabel() {
        applyTexts();
        Array.prototype.forEach.call($('layoutSelect').options, function (option) {
            option.textContent = i18n.pick(layouts.byId[option.value].name);
        });
        renderSignIn();
        renderLessonList();
        [app.keyboardView, app.resultsKeyboard].forEach(function (view) {
            view.render();
        });
        if (app.session) {
            renderLessonHead();
            app.keyboardView.setErrors(keyboard.byKey(app.session.keyErrors));
            app.keyboardView.highlight(app.session.nextChar());
            $('typingHint').textContent = t(app.session.started() ? 'typingHint' : 'startHint');
        }
        if (app.lastResult) renderResults();
        var profileNote = $('profileNote');
        if (!app.progress.persistent) profileNote.textContent = t('storageUnavailable');
        else if (!bridge.inShell()) profileNote.textContent = t('profileBrowser');
        else profileNote.textContent = t(app.profileName === 'guest' ? 'profileGuest' : 'profileUser');
        announce('tapwise:language');
    }

    /* ---------- start ---------- */

    function start() {
        applyTexts();
        app.keyboardView = new keyboard.KeyboardView($('keyboard'));
        app.resultsKeyboard = new keyboard.KeyboardView($('resultsKeyboard'));
        app.signIn = new Tapwise.SignIn(bridge);
        setUpTitleBar();
        if (bridge.inShell()) app.signIn.refreshSync();
        app.signIn.onChange(followSignIn);
        renderSignIn();
        openProfile(currentProfile());
        startLesson(lessons.recommendedIndex(isPassed), false);
        setUpCourseBar();
        $('btnRetry').addEventListener('click', retry);
        $('btnNext').addEventListener('click', next);
        $('typingPanel').addEventListener('click', function () {
            $('typingPanel').focus();
        });
        document.addEventListener('keydown', onKeyDown);
        document.addEventListener('focusin', updateFocusHint);
        document.addEventListener('focusout', function () {
            global.setTimeout(updateFocusHint, 0);
        });
        // The shell does not push sign-in changes: ask again whenever the window comes back.
        global.addEventListener('focus', function () {
            app.signIn.refreshAsync();
        });
        document.addEventListener('visibilitychange', function () {
            if (document.visibilityState === 'visible') app.signIn.refreshAsync();
        });
        updateMaximizedLook();
        $('typingPanel').focus();
        document.body.classList.add('is-ready');
        log('page ready (' + (bridge.inShell() ? 'in the shell' : 'in a browser') + ', ' + i18n.language() +
            ', sign-in: ' + app.signIn.status + ', lesson ' + lessons.list[app.lessonIndex].id + ')');
    }

    Tapwise.app = {
        state: app,
        start: start,
        startLesson: startLesson,
        startPractice: startPractice,
        showScreen: showScreen,
        showToast: showToast,
        relabel: relabel,
        currentLayout: currentLayout,
        log: log,
        openProfile: function () {
            openProfile(app.profileName);
            renderLessonList();
        },
        backToLesson: function () {
            if (app.practice) startPractice(app.practice, true);
            // A profile switched meanwhile may have opened another course.
            else if (!startLesson(app.lessonIndex, true)) startLesson(lessons.recommendedIndex(isPassed), true);
        },
        switchCourse: switchCourse,
        retry: retry,
        next: next
    };

    if (document.readyState === 'loading') document.addEventListener('DOMContentLoaded', start);
    else start();
})(window);
