/*
 * The practice beside the graded lessons: weak keys, key by key and the typist's own texts.
 * Builds their lessons for the app and runs the "your texts" screen.
 */
(function (global) {
    'use strict';
    var Tapwise = (global.Tapwise = global.Tapwise || {});
    var document = global.document;
    var i18n = Tapwise.i18n;
    var t = i18n.t;
    var weakkeys = Tapwise.weakkeys;
    var customtext = Tapwise.customtext;

    function $(id) {
        return document.getElementById(id);
    }

    function state() {
        return Tapwise.app.state;
    }

    function keyFor(ch) {
        return Tapwise.keyboard.keyFor(ch);
    }

    function keyList(ids) {
        return ids.map(function (id) {
            return Tapwise.keyboard.keyName(id);
        }).join(i18n.language() === 'zh' ? '、' : ', ');
    }

    function percent(rate) {
        return (Math.round(rate * 1000) / 10).toString();
    }

    function seed() {
        return (Date.now() ^ (state().history.totalSessions() * 2654435761)) >>> 0;
    }

    /* ---------- weak keys ---------- */

    function describeWeak(analysis) {
        if (analysis.weak.length === 0) {
            return analysis.measured === 0 ? t('weakNotEnough', { n: weakkeys.minPresses }) : t('weakNone');
        }
        var reasons = [];
        analysis.weak.forEach(function (key) {
            var name = Tapwise.keyboard.keyName(key.id);
            if (key.reasons.indexOf('misses') >= 0) {
                reasons.push(t('weakMisses', { key: name, rate: percent(key.missRate), average: percent(analysis.averageMissRate) }));
            }
            if (key.reasons.indexOf('slow') >= 0) {
                reasons.push(t('weakSlow', { key: name, ms: Math.round(key.medianMs), typical: Math.round(analysis.typicalMs) }));
            }
        });
        return t('weakTraining', { keys: keyList(analysis.weak.map(function (key) {
            return key.id;
        })) }) + ' ' + reasons.join(i18n.language() === 'zh' ? '；' : '; ') + (i18n.language() === 'zh' ? '。' : '.');
    }

    /** The weak-key lesson for the open profile, ready for the app. */
    function weakLesson() {
        var made = weakkeys.weakKeyLesson(state().history.sessions(), Tapwise.wordlist, {
            layout: Tapwise.app.currentLayout(),
            seed: seed()
        });
        var lesson = made.lesson;
        lesson.analysis = made.analysis;
        lesson.describe = function () {
            return describeWeak(made.analysis);
        };
        lesson.summary = function () {
            return lesson.targets.length ? t('weakTrained', { keys: keyList(lesson.targets) }) : '';
        };
        lesson.next = weakLesson;
        return lesson;
    }

    /* ---------- key by key ---------- */

    function allPassed() {
        var progress = state().progress;
        return Tapwise.lessons.list.every(function (lesson) {
            return progress.isPassed(lesson.id);
        });
    }

    function describeUnlock(made) {
        var open = made.lesson.id.replace('unlock-', '') | 0;
        var order = made.state.order;
        var letters = order.slice(0, open).split('');
        var text = (made.opened ? t('unlockOpened', { key: Tapwise.keyboard.keyName(made.opened) }) + ' ' : '') +
            t('unlockTip', { keys: keyList(letters), newest: Tapwise.keyboard.keyName(letters[letters.length - 1]) }) + ' ';
        var next = order.charAt(open);
        text += next ? t('unlockRule', {
            next: Tapwise.keyboard.keyName(next),
            presses: weakkeys.unlockMinPresses,
            rate: percent(weakkeys.unlockMaxMissRate),
            ms: weakkeys.unlockMaxMs
        }) : t('unlockAll');
        return text;
    }

    function unlockSummary() {
        var current = weakkeys.unlockState(state().history.sessions(), Tapwise.app.currentLayout());
        if (current.ready) return t('unlockReady', { key: Tapwise.keyboard.keyName(current.next) });
        if (!current.next) return t('unlockAll');
        var pending = current.keys.filter(function (key) {
            return !key.ready;
        }).map(function (key) {
            var name = Tapwise.keyboard.keyName(key.id);
            if (key.presses < weakkeys.unlockMinPresses) return t('unlockKeyPresses', { key: name, presses: key.presses });
            if (key.missRate > weakkeys.unlockMaxMissRate) return t('unlockKeyMisses', { key: name, rate: percent(key.missRate) });
            return t('unlockKeySlow', { key: name, ms: key.medianMs === null ? '—' : Math.round(key.medianMs) });
        });
        return t('unlockPending', { keys: pending.join(i18n.language() === 'zh' ? '、' : ', ') });
    }

    function unlockLesson() {
        var made = weakkeys.unlockLesson(state().history.sessions(), Tapwise.wordlist, {
            layout: Tapwise.app.currentLayout(),
            seed: seed()
        });
        var lesson = made.lesson;
        lesson.opened = made.opened;
        lesson.describe = function () {
            return describeUnlock(made);
        };
        lesson.summary = unlockSummary;
        lesson.next = unlockLesson;
        return lesson;
    }

    // Weak keys and key by key train letters with English words: not a pinyin lesson's task.
    function onPinyin() {
        return !!(Tapwise.lessons.course && Tapwise.lessons.course.kind === 'pinyin');
    }

    function renderNav() {
        var pinyin = onPinyin();
        var weak = $('navWeak');
        weak.setAttribute('aria-disabled', pinyin ? 'true' : 'false');
        weak.classList.toggle('is-locked', pinyin);
        weak.title = pinyin ? t('keysPracticeOnly') : '';
        var unlock = $('navUnlock');
        var open = !pinyin && !!(state().progress && allPassed());
        unlock.setAttribute('aria-disabled', open ? 'false' : 'true');
        unlock.classList.toggle('is-locked', !open);
        unlock.title = open ? '' : t(pinyin ? 'keysPracticeOnly' : 'unlockLocked');
        ['navWeak', 'navUnlock', 'navTexts', 'navProgress'].forEach(function (id) {
            var active = (id === 'navTexts' && state().screen === 'texts') ||
                (id === 'navProgress' && state().screen === 'progress') ||
                (id === 'navWeak' && state().practice && state().practice.kind === 'weak' && state().screen !== 'texts' && state().screen !== 'progress') ||
                (id === 'navUnlock' && state().practice && state().practice.kind === 'unlock' && state().screen !== 'texts' && state().screen !== 'progress');
            $(id).classList.toggle('is-current', !!active);
            if (active) $(id).setAttribute('aria-current', 'true');
            else $(id).removeAttribute('aria-current');
        });
    }

    /* ---------- own texts ---------- */

    function textMessage(text, warning) {
        var message = $('textsMessage');
        message.textContent = text;
        message.classList.toggle('is-warning', !!warning);
    }

    function renderPreview() {
        var text = $('customText').value;
        var analysis = customtext.analyse(text, keyFor);
        $('customCount').textContent = t('textCount', { n: Array.from(text).length, max: customtext.maxLength });
        var preview = $('customPreview');
        preview.textContent = '';
        analysis.segments.forEach(function (segment) {
            var span = document.createElement('span');
            span.textContent = segment.text;
            if (!segment.typable) span.className = 'is-skipped';
            preview.appendChild(span);
        });
        preview.hidden = text.length === 0;
        var notes = [];
        if (analysis.skipped.length) {
            notes.push(t('textSkipped', { chars: analysis.skipped.map(function (entry) {
                return entry.ch + (entry.count > 1 ? ' ×' + entry.count : '');
            }).join('  ') }));
        }
        if (analysis.replaced) notes.push(t('textReplaced', { n: analysis.replaced }));
        $('customSkipped').textContent = notes.join(' · ');
    }

    function problemText(reason) {
        return t({
            empty: 'textEmpty',
            long: 'textLong',
            nothing: 'textNothing',
            full: 'textFull',
            storage: 'textStorage'
        }[reason], { max: reason === 'full' ? customtext.maxTexts : customtext.maxLength });
    }

    function customLesson(entry) {
        var lesson = customtext.lessonFor(entry, keyFor);
        lesson.describe = function () {
            return t('customTip');
        };
        return lesson;
    }

    function practiseDraft() {
        var text = $('customText').value;
        var reason = customtext.problem(text, keyFor);
        if (reason) {
            textMessage(problemText(reason), true);
            return;
        }
        var title = $('customTitle').value.trim() || t('navTexts');
        Tapwise.app.startPractice(customLesson({ id: 'draft', title: title, text: text, created: Date.now() }), true);
    }

    function saveDraft() {
        var result = state().customTexts.add($('customTitle').value, $('customText').value, keyFor, Date.now());
        if (result.error) {
            textMessage(problemText(result.error), true);
            return;
        }
        textMessage(t('textSaved', { title: result.entry.title }), false);
        $('customTitle').value = '';
        $('customText').value = '';
        renderPreview();
        renderList();
    }

    function renderList() {
        var list = $('customList');
        list.textContent = '';
        var texts = state().customTexts ? state().customTexts.texts : [];
        if (texts.length === 0) {
            var none = document.createElement('li');
            none.className = 'text-none';
            none.textContent = t('noSavedTexts');
            list.appendChild(none);
        }
        texts.slice().reverse().forEach(function (entry) {
            var item = document.createElement('li');
            item.setAttribute('data-text', entry.id);
            var practise = document.createElement('button');
            practise.type = 'button';
            practise.className = 'text-practise';
            var title = document.createElement('strong');
            title.textContent = entry.title;
            var excerpt = document.createElement('span');
            excerpt.textContent = Array.from(entry.text).slice(0, 80).join('');
            practise.appendChild(title);
            practise.appendChild(excerpt);
            practise.addEventListener('click', function () {
                Tapwise.app.startPractice(customLesson(entry), true);
            });
            var remove = document.createElement('button');
            remove.type = 'button';
            remove.className = 'text-delete';
            remove.textContent = t('deleteText');
            remove.setAttribute('aria-label', t('deleteText') + ' ' + entry.title);
            remove.addEventListener('click', function () {
                if (state().customTexts.remove(entry.id)) textMessage(t('textDeleted', { title: entry.title }), false);
                else textMessage(t('textStorage'), true);
                renderList();
                var first = $('customList').querySelector('button');
                if (first) first.focus();
            });
            item.appendChild(practise);
            item.appendChild(remove);
            list.appendChild(item);
        });
    }

    function showTexts() {
        Tapwise.app.showScreen('texts');
        textMessage('', false);
        renderPreview();
        renderList();
        $('customText').focus();
    }

    /* ---------- wiring ---------- */

    function openWeak() {
        if (onPinyin()) {
            Tapwise.app.showToast(t('keysPracticeOnly'));
            return;
        }
        Tapwise.app.startPractice(weakLesson(), true);
    }

    function openUnlock() {
        if (onPinyin()) {
            Tapwise.app.showToast(t('keysPracticeOnly'));
            return;
        }
        if (!allPassed()) {
            Tapwise.app.showToast(t('unlockLocked'));
            return;
        }
        Tapwise.app.startPractice(unlockLesson(), true);
    }

    document.addEventListener('DOMContentLoaded', function () {
        $('navWeak').addEventListener('click', openWeak);
        $('navUnlock').addEventListener('click', openUnlock);
        $('navTexts').addEventListener('click', showTexts);
        $('btnPractiseText').addEventListener('click', practiseDraft);
        $('btnSaveText').addEventListener('click', saveDraft);
        $('btnTextsBack').addEventListener('click', function () {
            Tapwise.app.backToLesson();
        });
        $('customText').addEventListener('input', renderPreview);
    });
    ['tapwise:screen', 'tapwise:profile'].forEach(function (name) {
        document.addEventListener(name, function () {
            renderNav();
            if (name === 'tapwise:profile' && state().screen === 'texts') renderList();
        });
    });
    document.addEventListener('tapwise:language', function () {
        renderNav();
        if (state().screen === 'texts') {
            renderPreview();
            renderList();
        }
    });

    Tapwise.practice = {
        weakLesson: weakLesson,
        unlockLesson: unlockLesson,
        customLesson: customLesson,
        showTexts: showTexts,
        allPassed: allPassed
    };
})(window);
