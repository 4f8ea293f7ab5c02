/*
 * The page's language: the shell's, which reaches the page as navigator.language (the shell
 * sets the engine's locale from its language setting), unless the typist switched it here.
 * A switch is kept by the shell ("setLanguage"), so window and page agree from the next start
 * on; in a plain browser, or a shell without that command, the page keeps it itself.
 */
(function (global) {
    'use strict';
    var Tapwise = (global.Tapwise = global.Tapwise || {});
    var i18n = Tapwise.i18n;
    var bridge = Tapwise.bridge;

    var kKey = 'tapwise.language';

    function stored() {
        try {
            var value = global.localStorage.getItem(kKey);
            return value === 'zh' || value === 'en' ? value : null;
        } catch (error) {
            return null;
        }
    }

    function keepHere(language) {
        try {
            if (language) global.localStorage.setItem(kKey, language);
            else global.localStorage.removeItem(kKey);
        } catch (error) {
            // Without storage the switch lasts until the page closes.
        }
    }

    var preferred = stored();
    if (preferred) i18n.setLanguage(preferred);

    /**
     * Switches to language ("zh" or "en") and remembers it. Returns {remembered: "shell" or
     * "page", msg} (msg: the shell's reason when it refused).
     */
    function switchTo(language) {
        i18n.setLanguage(language);
        var outcome = { remembered: 'page', msg: '' };
        if (bridge.inShell()) {
            var reply = bridge.request('setLanguage', { lang: i18n.language() }, false);
            if (reply.ok) outcome.remembered = 'shell';
            else outcome.msg = reply.msg;
        }
        keepHere(outcome.remembered === 'page' ? i18n.language() : null);
        return outcome;
    }

    function other() {
        return i18n.language() === 'zh' ? 'en' : 'zh';
    }

    function renderButton() {
        var button = global.document.getElementById('btnLanguage');
        if (!button) return;
        button.textContent = i18n.t('languageOther');
        button.title = i18n.t('switchLanguage');
        button.setAttribute('aria-label', i18n.t('switchLanguage'));
        button.setAttribute('lang', other() === 'zh' ? 'zh-CN' : 'en');
    }

    function onClick() {
        var outcome = switchTo(other());
        var app = Tapwise.app;
        app.relabel();
        if (outcome.remembered === 'shell') app.showToast(i18n.t('languageRemembered'));
        else if (outcome.msg) app.showToast(i18n.t('languageNotRemembered', { msg: outcome.msg }));
        app.log('language: ' + i18n.language() + ' (kept by the ' + outcome.remembered + ')');
    }

    global.document.addEventListener('DOMContentLoaded', function () {
        var button = global.document.getElementById('btnLanguage');
        if (button) button.addEventListener('click', onClick);
        renderButton();
    });
    global.document.addEventListener('tapwise:language', renderButton);

    Tapwise.language = {
        storageKey: kKey,
        switchTo: switchTo
    };
})(window);
