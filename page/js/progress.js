/*
 * The progress screen: figures, charts over runs and days, the keyboard heat map, and export
 * and import of all progress of the open profile as one JSON file. An import is read whole and
 * checked before anything changes; a file that is not ours or is damaged anywhere is refused.
 */
(function (global) {
    'use strict';
    var Tapwise = (global.Tapwise = global.Tapwise || {});
    var document = global.document;
    var i18n = Tapwise.i18n;
    var t = i18n.t;
    var charts = Tapwise.charts;
    var history = Tapwise.history;

    var kFormat = 'tapwise-progress';
    var kFormatVersion = 1;
    var kMaxImportBytes = 20 * 1024 * 1024;
    var kSessionAverage = 10;
    var kDayAverage = 7;
    var kRecent = 10;

    var view = { heatMode: 'misses', pendingImport: null, heatKeyboard: null, heatKey: null };

    function $(id) {
        return document.getElementById(id);
    }

    function state() {
        return Tapwise.app.state;
    }

    function round(value, digits) {
        var factor = Math.pow(10, digits || 0);
        return Math.round(value * factor) / factor;
    }

    function formatDate(ms) {
        return history.dayOf(ms);
    }

    function formatDuration(ms) {
        var seconds = Math.round(ms / 1000);
        var hours = Math.floor(seconds / 3600);
        var minutes = Math.floor((seconds % 3600) / 60);
        if (hours > 0) return t('hoursMinutes', { h: hours, m: minutes });
        if (minutes > 0) return t('minutesSeconds', { m: minutes, s: seconds % 60 });
        return t('seconds', { s: seconds });
    }

    function profileLabel() {
        var profile = state().profileName;
        if (profile === 'guest') return t('profileName', { name: t('profileGuestName') });
        if (profile.indexOf('user:') === 0) return t('profileName', { name: t('profileDeviceUser') });
        return t('profileName', { name: profile.replace(/^profile:/, '') });
    }

    function message(text, warning) {
        var element = $('progressMessage');
        element.textContent = text || '';
        element.classList.toggle('is-warning', !!warning);
    }

    /* ---------- figures and charts ---------- */

    function average(values) {
        return values.length ? values.reduce(function (sum, value) {
            return sum + value;
        }, 0) / values.length : 0;
    }

    function renderFigures(sessions, days, total) {
        var container = $('progressFigures');
        container.textContent = '';
        var recent = sessions.slice(-kRecent);
        var best = sessions.reduce(function (max, session) {
            return Math.max(max, session.wpm);
        }, 0);
        var totalMs = days.reduce(function (sum, day) {
            return sum + day.durationMs;
        }, 0);
        var figures = [
            ['figureSessions', String(total)],
            ['figureTime', formatDuration(totalMs)],
            ['figureRecentWpm', recent.length ? String(round(average(recent.map(function (s) {
                return s.wpm;
            })), 1)) + ' WPM' : '—'],
            ['figureAccuracy', recent.length ? String(round(average(recent.map(function (s) {
                return s.accuracy;
            })), 1)) + '%' : '—'],
            ['figureBestWpm', sessions.length ? String(round(best, 1)) + ' WPM' : '—']
        ];
        figures.forEach(function (entry) {
            var figure = document.createElement('div');
            figure.className = 'progress-figure';
            figure.setAttribute('data-figure', entry[0]);
            var value = document.createElement('span');
            value.className = 'figure-value';
            value.textContent = entry[1];
            var label = document.createElement('span');
            label.className = 'figure-label';
            label.textContent = t(entry[0]);
            figure.appendChild(value);
            figure.appendChild(label);
            container.appendChild(figure);
        });
        if (total > sessions.length) {
            var folded = document.createElement('p');
            folded.className = 'figure-note';
            folded.textContent = t('figureFolded', { n: total - sessions.length });
            container.appendChild(folded);
        }
    }

    function renderCharts(sessions, days) {
        var offset = state().history.totalSessions() - sessions.length;
        var sessionLabels = sessions.map(function (session, index) {
            return t('sessionN', { n: offset + index + 1, date: formatDate(session.at) });
        });
        var sessionTicks = charts.spreadTicks(sessions.length, function (index) {
            return String(offset + index + 1);
        });
        var one = sessions.length === 1 ? ' — ' + t('chartOnePoint') : '';
        var wpm = sessions.map(function (session) {
            return session.wpm;
        });
        var accuracy = sessions.map(function (session) {
            return session.accuracy;
        });
        $('captionSpeed').textContent = t('chartSpeedSessions', { n: kSessionAverage }) + one;
        charts.render($('chartSpeed'), {
            kind: 'line',
            label: t('chartSpeedSessions', { n: kSessionAverage }),
            labels: sessionLabels,
            xTicks: sessionTicks,
            yMin: 0,
            format: function (value) {
                return String(round(value, 1));
            },
            series: [
                { name: t('seriesWpm'), values: wpm, className: 'series-raw' },
                { name: t('seriesAverage'), values: history.movingAverage(wpm, kSessionAverage), className: 'series-average', dots: false }
            ]
        });
        $('captionAccuracy').textContent = t('chartAccuracySessions', { n: kSessionAverage }) + one;
        charts.render($('chartAccuracy'), {
            kind: 'line',
            label: t('chartAccuracySessions', { n: kSessionAverage }),
            labels: sessionLabels,
            xTicks: sessionTicks,
            yMax: 100,
            format: function (value) {
                return String(round(value, 1));
            },
            series: [
                { name: t('seriesAccuracy'), values: accuracy, className: 'series-raw' },
                { name: t('seriesAverage'), values: history.movingAverage(accuracy, kSessionAverage), className: 'series-average', dots: false }
            ]
        });
        var dayLabels = days.map(function (day) {
            return day.day;
        });
        var dayTicks = charts.spreadTicks(days.length, function (index) {
            return days[index].day.slice(5);
        }, 4);
        var dailyWpm = days.map(function (day) {
            return day.wpm;
        });
        $('captionDaily').textContent = t('chartDaily', { n: kDayAverage });
        charts.render($('chartDaily'), {
            kind: 'line',
            label: t('chartDaily', { n: kDayAverage }),
            labels: dayLabels,
            xTicks: dayTicks,
            yMin: 0,
            format: function (value) {
                return String(round(value, 1));
            },
            series: [
                { name: t('seriesWpm'), values: dailyWpm, className: 'series-raw' },
                { name: t('seriesAverage'), values: history.movingAverage(dailyWpm, kDayAverage), className: 'series-average', dots: false }
            ]
        });
        $('captionTime').textContent = t('chartTime');
        charts.render($('chartTime'), {
            kind: 'bar',
            label: t('chartTime'),
            labels: dayLabels,
            xTicks: dayTicks,
            yMin: 0,
            format: function (value) {
                return String(round(value, value < 10 ? 2 : 1));
            },
            series: [{ name: t('seriesMinutes'), values: days.map(function (day) {
                return day.durationMs / 60000;
            }), className: 'series-bar' }]
        });
    }

    /* ---------- heat map ---------- */

    // From pale to red by share (0 to 1).
    function heatColour(share) {
        var clamped = Math.max(0, Math.min(1, share));
        var hue = 120 - 120 * clamped;
        return 'hsl(' + Math.round(hue) + ', 70%, ' + Math.round(88 - 30 * clamped) + '%)';
    }

    function renderHeat(sessions) {
        if (!view.heatKeyboard) view.heatKeyboard = new Tapwise.keyboard.KeyboardView($('heatKeyboard'));
        else view.heatKeyboard.render();
        var keyboardView = view.heatKeyboard;
        var totals = history.keyTotals(sessions, { layout: Tapwise.app.currentLayout() });
        var minPresses = Tapwise.weakkeys.minPresses;
        var measured = Object.keys(totals).filter(function (id) {
            return totals[id].presses >= minPresses && keyboardView.elements[id];
        });
        var times = measured.map(function (id) {
            return totals[id].medianMs;
        }).filter(function (ms) {
            return ms !== null;
        }).sort(function (a, b) {
            return a - b;
        });
        var fastest = times.length ? times[0] : 0;
        var slowest = times.length ? times[times.length - 1] : 0;
        var worstRate = measured.reduce(function (max, id) {
            return Math.max(max, totals[id].misses / totals[id].presses);
        }, 0);
        Object.keys(keyboardView.elements).forEach(function (id) {
            var element = keyboardView.elements[id];
            var badge = element.querySelector('.kb-badge');
            var total = totals[id];
            element.classList.remove('heat-measured');
            element.style.background = '';
            badge.hidden = true;
            var name = Tapwise.keyboard.keyName(id);
            if (!total) {
                element.removeAttribute('title');
                return;
            }
            var rate = total.misses / total.presses;
            element.title = t('heatKey', {
                key: name,
                presses: total.presses,
                misses: total.misses,
                rate: round(rate * 100, 1),
                ms: total.medianMs === null ? t('heatKeyNoTime') : Math.round(total.medianMs) + ' ms'
            });
            element.setAttribute('aria-label', element.title);
            if (total.presses < minPresses) return;
            var share;
            if (view.heatMode === 'misses') {
                share = worstRate > 0 ? rate / Math.max(worstRate, 0.1) : 0;
                badge.textContent = String(round(rate * 100, rate < 0.1 ? 1 : 0));
            } else {
                if (total.medianMs === null) return;
                share = slowest > fastest ? (total.medianMs - fastest) / (slowest - fastest) : 0;
                badge.textContent = String(Math.round(total.medianMs));
            }
            badge.hidden = false;
            element.classList.add('heat-measured');
            element.style.background = heatColour(share);
        });
        var legend = t(view.heatMode === 'misses' ? 'heatLegendMisses' : 'heatLegendSpeed', { n: minPresses });
        // Only keys that stand out, by the same measure the weak-key practice uses.
        var reason = view.heatMode === 'misses' ? 'misses' : 'slow';
        var worst = Tapwise.weakkeys.analyse(totals).weak.filter(function (key) {
            return key.reasons.indexOf(reason) >= 0;
        }).map(function (key) {
            return Tapwise.keyboard.keyName(key.id);
        });
        $('heatLegend').textContent = legend + (worst.length ? ' ' + t('heatWorst', { keys: worst.join(', ') }) : '');
        $('heatKeyboard').setAttribute('aria-label', t('heatTitle') + ' — ' + t('heatKeysHint'));
        selectHeatKey(view.heatKey);
        ['heatMisses', 'heatSpeed'].forEach(function (id) {
            var on = $(id).getAttribute('data-mode') === view.heatMode;
            $(id).setAttribute('aria-checked', on ? 'true' : 'false');
            $(id).tabIndex = on ? 0 : -1;
        });
    }

    /** The keys of the heat map in reading order. */
    function heatKeys() {
        return Array.prototype.map.call($('heatKeyboard').querySelectorAll('.kb-key'), function (element) {
            return element.getAttribute('data-key');
        });
    }

    /** Marks one key of the heat map and reads its figures out; null marks none. */
    function selectHeatKey(id) {
        view.heatKey = id;
        Array.prototype.forEach.call($('heatKeyboard').querySelectorAll('.heat-selected'), function (element) {
            element.classList.remove('heat-selected');
        });
        var element = id && view.heatKeyboard.elements[id];
        if (!element) {
            $('heatReadout').textContent = '';
            return;
        }
        element.classList.add('heat-selected');
        $('heatReadout').textContent = element.title || t('heatKeyNone', { key: Tapwise.keyboard.keyName(id) });
    }

    function onHeatKey(event) {
        var keys = heatKeys();
        var index = keys.indexOf(view.heatKey);
        var target = null;
        if (event.key === 'ArrowRight' || event.key === 'ArrowDown') target = index + 1;
        else if (event.key === 'ArrowLeft' || event.key === 'ArrowUp') target = index < 0 ? keys.length - 1 : index - 1;
        else if (event.key === 'Home') target = 0;
        else if (event.key === 'End') target = keys.length - 1;
        if (target === null) return;
        event.preventDefault();
        event.stopPropagation();
        selectHeatKey(keys[Math.max(0, Math.min(keys.length - 1, target))]);
    }

    /* ---------- the screen ---------- */

    function render() {
        if (!state().history) return;
        $('progressProfile').textContent = profileLabel();
        var record = state().history;
        var sessions = record.sessions();
        var days = record.daily();
        var total = record.totalSessions();
        var empty = $('progressEmpty');
        empty.hidden = total > 0;
        empty.textContent = total === 0 ? t('progressNone') : '';
        $('progressBody').hidden = total === 0;
        if (total === 0) return;
        renderFigures(sessions, days, total);
        renderCharts(sessions, days);
        renderHeat(sessions);
        var note = total === 1 ? t('progressOne') : '';
        if (note && !$('progressMessage').textContent) message(note, false);
    }

    function show() {
        hideImport();
        message('', false);
        Tapwise.app.showScreen('progress');
        render();
        $('btnProgressBack').focus();
    }

    /* ---------- export and import ---------- */

    /** Everything of the open profile as the exported object. */
    function exportData(now) {
        return {
            format: kFormat,
            version: kFormatVersion,
            exported: new Date(now).toISOString(),
            profile: state().profileName,
            progress: state().progress.data,
            history: state().history.data,
            texts: state().customTexts.toJSON()
        };
    }

    function fileName(now) {
        var profile = state().profileName.replace(/^profile:|^user:/, '').replace(/[^\w\u4e00-\u9fff-]+/g, '_').slice(0, 40);
        return 'tapwise-progress-' + (profile || 'guest') + '-' + history.dayOf(now) + '.json';
    }

    function exportFile() {
        var now = Date.now();
        var text = JSON.stringify(exportData(now), null, 1);
        var url = global.URL.createObjectURL(new global.Blob([text], { type: 'application/json' }));
        var link = document.createElement('a');
        link.href = url;
        link.download = fileName(now);
        link.hidden = true;
        document.body.appendChild(link);
        link.click();
        document.body.removeChild(link);
        global.setTimeout(function () {
            global.URL.revokeObjectURL(url);
        }, 0);
        message(t('exportDone', { file: link.download }), false);
        Tapwise.app.log('progress exported: ' + link.download);
        return text;
    }

    /**
     * Reads an exported text: {data: {progress, history, texts, exported}} or {error, detail}
     * with error "json", "foreign", "version" or "damaged" (detail: which part).
     */
    function readExport(text) {
        var raw;
        try {
            raw = JSON.parse(text);
        } catch (error) {
            return { error: 'json' };
        }
        if (raw === null || typeof raw !== 'object' || Array.isArray(raw) || raw.format !== kFormat) return { error: 'foreign' };
        if (raw.version !== kFormatVersion) return { error: 'version', detail: String(raw.version) };
        var progress = raw.progress;
        function plainObject(value) {
            return value !== null && typeof value === 'object' && !Array.isArray(value);
        }
        if (!plainObject(progress) || progress.version !== Tapwise.storage.version ||
            !plainObject(progress.lessons) || !plainObject(progress.keys)) {
            return { error: 'damaged', detail: 'partProgress' };
        }
        var lessonIds = Object.keys(progress.lessons);
        for (var i = 0; i < lessonIds.length; ++i) {
            if (!plainObject(progress.lessons[lessonIds[i]])) return { error: 'damaged', detail: 'partProgress' };
        }
        var read = history.readData(raw.history, true);
        if (read.error) return { error: 'damaged', detail: 'partHistory' };
        var texts = Tapwise.customtext.readList(raw.texts, true);
        if (texts.error) return { error: 'damaged', detail: 'partTexts' };
        var exported = Date.parse(raw.exported);
        return {
            data: {
                progress: Tapwise.storage.sanitize(progress),
                history: read.data,
                texts: texts.texts,
                exported: isFinite(exported) ? exported : null
            }
        };
    }

    function importError(read) {
        switch (read.error) {
        case 'json':
            return t('importNotJson');
        case 'foreign':
            return t('importForeign');
        case 'version':
            return t('importVersion', { version: read.detail });
        case 'tooLarge':
            return t('importTooLarge');
        case 'unreadable':
            return t('importUnreadable');
        default:
            return t('importDamaged', { part: t(read.detail) });
        }
    }

    function hideImport() {
        view.pendingImport = null;
        $('importConfirm').hidden = true;
    }

    /** Checks an exported text and asks before it replaces anything; returns the check. */
    function offerImport(text) {
        hideImport();
        var read = readExport(text);
        if (read.error) {
            message(importError(read), true);
            Tapwise.app.log('import refused: ' + read.error + (read.detail ? ' (' + read.detail + ')' : ''));
            return read;
        }
        view.pendingImport = read.data;
        var passed = Object.keys(read.data.progress.lessons).filter(function (id) {
            return read.data.progress.lessons[id].passed;
        }).length;
        var runs = read.data.history.sessions.length + Object.keys(read.data.history.days).reduce(function (sum, day) {
            return sum + read.data.history.days[day].sessions;
        }, 0);
        $('importSummary').textContent = t('importSummary', {
            date: read.data.exported === null ? '—' : history.dayOf(read.data.exported),
            passed: passed,
            runs: runs,
            texts: read.data.texts.length,
            profile: profileLabel().replace(/^[^:：]*[:：]\s*/, '')
        });
        message('', false);
        $('importConfirm').hidden = false;
        $('btnImportCancel').focus();
        return read;
    }

    /** Replaces the open profile's progress with the checked import; all or nothing. */
    function applyImport() {
        var data = view.pendingImport;
        hideImport();
        if (!data) return false;
        var app = state();
        var before = {
            progress: JSON.parse(JSON.stringify(app.progress.data)),
            history: JSON.parse(JSON.stringify(app.history.data)),
            texts: app.customTexts.texts.slice()
        };
        var saved = app.progress.replace(data.progress) && app.history.replace(data.history) &&
            app.customTexts.replace(data.texts);
        if (!saved) {
            app.progress.replace(before.progress);
            app.history.replace(before.history);
            app.customTexts.replace(before.texts);
            message(t('importNotSaved'), true);
            return false;
        }
        Tapwise.app.openProfile();
        Tapwise.app.showScreen('progress');
        message(t('importDone'), false);
        render();
        Tapwise.app.log('progress imported: ' + app.history.totalSessions() + ' runs');
        return true;
    }

    function readChosenFile() {
        var input = $('importFile');
        var file = input.files && input.files[0];
        input.value = '';
        if (!file) return;
        if (file.size > kMaxImportBytes) {
            message(importError({ error: 'tooLarge' }), true);
            return;
        }
        var reader = new global.FileReader();
        reader.onload = function () {
            offerImport(String(reader.result));
        };
        reader.onerror = function () {
            message(importError({ error: 'unreadable' }), true);
        };
        reader.readAsText(file);
    }

    document.addEventListener('DOMContentLoaded', function () {
        $('navProgress').addEventListener('click', show);
        $('btnProgressBack').addEventListener('click', function () {
            Tapwise.app.backToLesson();
        });
        $('btnExport').addEventListener('click', exportFile);
        $('btnImport').addEventListener('click', function () {
            $('importFile').click();
        });
        $('importFile').addEventListener('change', readChosenFile);
        $('btnImportReplace').addEventListener('click', applyImport);
        $('btnImportCancel').addEventListener('click', function () {
            hideImport();
            message(t('importCancelled'), false);
        });
        $('heatMode').addEventListener('click', function (event) {
            var mode = event.target.getAttribute && event.target.getAttribute('data-mode');
            if (!mode) return;
            view.heatMode = mode;
            renderHeat(state().history.sessions());
        });
        $('heatKeyboard').addEventListener('keydown', onHeatKey);
        $('heatKeyboard').addEventListener('focus', function () {
            if (!view.heatKey) selectHeatKey(heatKeys()[0] || null);
        });
        $('heatMode').addEventListener('keydown', function (event) {
            if (event.key !== 'ArrowLeft' && event.key !== 'ArrowRight') return;
            event.preventDefault();
            view.heatMode = view.heatMode === 'misses' ? 'speed' : 'misses';
            renderHeat(state().history.sessions());
            $(view.heatMode === 'misses' ? 'heatMisses' : 'heatSpeed').focus();
        });
        document.addEventListener('keydown', function (event) {
            var screen = state().screen;
            if (event.key !== 'Escape' || (screen !== 'progress' && screen !== 'texts')) return;
            event.preventDefault();
            if (screen === 'progress' && !$('importConfirm').hidden) {
                hideImport();
                message(t('importCancelled'), false);
                return;
            }
            Tapwise.app.backToLesson();
        });
    });
    document.addEventListener('tapwise:profile', function () {
        if (state().screen === 'progress') {
            hideImport();
            render();
        }
    });
    document.addEventListener('tapwise:language', function () {
        if (state().screen === 'progress') render();
    });

    Tapwise.progressScreen = {
        show: show,
        render: render,
        exportData: exportData,
        exportFile: exportFile,
        readExport: readExport,
        offerImport: offerImport,
        applyImport: applyImport
    };
})(window);
