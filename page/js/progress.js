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

    /** The track the screen shows: the course's layout, or pinyin. */
    function track() {
        return Tapwise.app.currentLayout();
    }

    function trackName(id) {
        return id === 'pinyin' ? t('coursePinyin') : i18n.pick(Tapwise.layouts.get(id).name);
    }

    /** A run's or day's speed in the track's unit: characters a minute for pinyin. */
    function speed(figures) {
        return track() === 'pinyin' ? figures.cpm || 0 : figures.wpm;
    }

    function unitLabel() {
        return t(track() === 'pinyin' ? 'cpmUnit' : 'wpmUnit');
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

    function renderFigures(sessions, days, total, others) {
        var container = $('progressFigures');
        container.textContent = '';
        var recent = sessions.slice(-kRecent);
        var best = sessions.reduce(function (max, session) {
            return Math.max(max, speed(session));
        }, 0);
        var totalMs = days.reduce(function (sum, day) {
            return sum + day.durationMs;
        }, 0);
        var figures = [
            ['figureSessions', String(total)],
            ['figureTime', formatDuration(totalMs)],
            ['figureRecentWpm', recent.length ? String(round(average(recent.map(speed)), 1)) + ' ' + unitLabel() : '—'],
            ['figureAccuracy', recent.length ? String(round(average(recent.map(function (s) {
                return s.accuracy;
            })), 1)) + '%' : '—'],
            ['figureBestWpm', sessions.length ? String(round(best, 1)) + ' ' + unitLabel() : '—']
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
        if (others > 0) {
            var elsewhere = document.createElement('p');
            elsewhere.className = 'figure-note';
            elsewhere.setAttribute('data-note', 'others');
            elsewhere.textContent = t('progressOtherTracks', { n: others });
            container.appendChild(elsewhere);
        }
    }

    function renderCharts(sessions, days, total) {
        var offset = total - sessions.length;
        var sessionLabels = sessions.map(function (session, index) {
            return t('sessionN', { n: offset + index + 1, date: formatDate(session.at) });
        });
        var sessionTicks = charts.spreadTicks(sessions.length, function (index) {
            return String(offset + index + 1);
        });
        var one = sessions.length === 1 ? ' — ' + t('chartOnePoint') : '';
        var wpm = sessions.map(speed);
        var accuracy = sessions.map(function (session) {
            return session.accuracy;
        });
        var unit = unitLabel();
        $('captionSpeed').textContent = t('chartSpeedSessions', { n: kSessionAverage, unit: unit }) + one;
        charts.render($('chartSpeed'), {
            kind: 'line',
            label: t('chartSpeedSessions', { n: kSessionAverage, unit: unit }),
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
        var dailyWpm = days.map(speed);
        $('captionDaily').textContent = t('chartDaily', { n: kDayAverage, unit: unit });
        charts.render($('chartDaily'), {
            kind: 'line',
            label: t('chartDaily', { n: kDayAverage, unit: unit }),
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
        var totals = history.keyTotals(sessions, { layout: track() });
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
        var shown = track();
        $('progressProfile').textContent = t('progressTrack', { profile: profileLabel(), track: trackName(shown) });
        $('progressProfile').setAttribute('data-track', shown);
        var record = state().history;
        var sessions = record.sessions(shown);
        var days = record.daily(shown);
        var total = record.totalSessions(shown);
        var others = record.totalSessions() - total;
        var empty = $('progressEmpty');
        empty.hidden = total > 0;
        empty.textContent = total > 0 ? '' : others === 0 ? t('progressNone') :
            t('progressNoneTrack', { track: trackName(shown) }) + ' ' + t('progressOtherTracks', { n: others });
        $('progressBody').hidden = total === 0;
        if (total === 0) return;
        renderFigures(sessions, days, total, others);
        renderCharts(sessions, days, total);
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

    // Lesson progress is kept per track: US QWERTY under the profile's own key ("progress"),
    // every other layout and pinyin beside it ("courses").
    function tracks() {
        return Tapwise.layouts.list.map(function (layout) {
            return layout.id;
        }).concat(['pinyin']);
    }

    function trackProgress(id) {
        return new Tapwise.storage.Progress(Tapwise.storage.trackKey(state().profileName, id));
    }

    function hasContent(data) {
        return Object.keys(data.lessons).length > 0 || Object.keys(data.keys).length > 0;
    }

    /** Everything of the open profile as the exported object. */
    function exportData(now) {
        var courses = {};
        tracks().forEach(function (id) {
            var data = trackProgress(id).data;
            if (id !== 'us' && hasContent(data)) courses[id] = data;
        });
        return {
            format: kFormat,
            version: kFormatVersion,
            exported: new Date(now).toISOString(),
            profile: state().profileName,
            progress: trackProgress('us').data,
            courses: courses,
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
        function plainObject(value) {
            return value !== null && typeof value === 'object' && !Array.isArray(value);
        }
        function isProgress(progress) {
            if (!plainObject(progress) || progress.version !== Tapwise.storage.version ||
                !plainObject(progress.lessons) || !plainObject(progress.keys)) {
                return false;
            }
            return Object.keys(progress.lessons).every(function (id) {
                return plainObject(progress.lessons[id]);
            });
        }
        if (!isProgress(raw.progress)) return { error: 'damaged', detail: 'partProgress' };
        // Files from before there were other tracks have no "courses".
        var rawCourses = raw.courses === undefined ? {} : raw.courses;
        if (!plainObject(rawCourses)) return { error: 'damaged', detail: 'partProgress' };
        var known = tracks();
        var courses = {};
        var ids = Object.keys(rawCourses);
        for (var i = 0; i < ids.length; ++i) {
            if (ids[i] === 'us' || known.indexOf(ids[i]) < 0 || !isProgress(rawCourses[ids[i]])) {
                return { error: 'damaged', detail: 'partProgress' };
            }
            courses[ids[i]] = Tapwise.storage.sanitize(rawCourses[ids[i]]);
        }
        var read = history.readData(raw.history, true);
        if (read.error) return { error: 'damaged', detail: 'partHistory' };
        var texts = Tapwise.customtext.readList(raw.texts, true);
        if (texts.error) return { error: 'damaged', detail: 'partTexts' };
        var exported = Date.parse(raw.exported);
        return {
            data: {
                progress: Tapwise.storage.sanitize(raw.progress),
                courses: courses,
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
        var passed = [read.data.progress].concat(Object.keys(read.data.courses).map(function (id) {
            return read.data.courses[id];
        })).reduce(function (sum, progress) {
            return sum + Object.keys(progress.lessons).filter(function (id) {
                return progress.lessons[id].passed;
            }).length;
        }, 0);
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
        // Every track is replaced: one the file does not have starts empty.
        var stores = tracks().map(function (id) {
            var store = trackProgress(id);
            var wanted = id === 'us' ? data.progress : data.courses[id] || { version: Tapwise.storage.version };
            return { store: store, before: JSON.parse(JSON.stringify(store.data)), wanted: wanted };
        });
        var before = {
            history: JSON.parse(JSON.stringify(app.history.data)),
            texts: app.customTexts.texts.slice()
        };
        var saved = stores.every(function (entry) {
            return entry.store.replace(entry.wanted);
        }) && app.history.replace(data.history) && app.customTexts.replace(data.texts);
        if (!saved) {
            stores.forEach(function (entry) {
                entry.store.replace(entry.before);
            });
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
