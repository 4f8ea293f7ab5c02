/*
 * The on-screen keyboard of the chosen layout (see layouts.js): which key and finger type each
 * character, and a view that colours keys by finger, marks the next key (with the Shift of the
 * other hand, or AltGr, when the character needs it) and shows error counts on the keys.
 * Printable keys are named by the character they type plainly, the others by their role.
 */
(function (global) {
    'use strict';
    var Tapwise = (global.Tapwise = global.Tapwise || {});
    var layouts = Tapwise.layouts;

    var fingers = ['lp', 'lr', 'lm', 'li', 'ri', 'rm', 'rr', 'rp', 'th'];

    var layout = null;
    var rows = [];
    var keys = {};
    var charMap = {};
    var homeKeys = {};

    // [id, label, shifted label, finger, width in key units, AltGr label, decoration only]
    function printable(key) {
        var id = key.plain || key.code;
        var upper = key.plain.toUpperCase();
        var isLetter = upper.length === 1 && upper !== key.plain && key.shift === upper;
        return [id, isLetter ? upper : key.plain, isLetter ? '' : key.shift, key.finger, 1, key.altGr];
    }

    function buildRows(chosen) {
        var codes = chosen.rows;
        function keysOf(row) {
            return codes[row].map(function (code) {
                return printable(chosen.keys[code]);
            });
        }
        var top = keysOf(1);
        var home = keysOf(2);
        var bottom = keysOf(3);
        if (chosen.iso) {
            top.push(['enter-top', '', '', 'rp', 1.5, '', true]);
            home.push(['enter', 'keyEnter', '', 'rp', 1.25]);
        } else {
            top[top.length - 1][4] = 1.5;
            home.push(['enter', 'keyEnter', '', 'rp', 2.25]);
        }
        var space = [['gap-left', '', '', '', 3.75], ['space', 'keySpace', '', 'th', 6.25]];
        if (chosen.hasAltGr) space.push(['altgr', 'keyAltGr', '', 'th', 1.25], ['gap-right', '', '', '', 3.75]);
        else space.push(['gap-right', '', '', '', 5]);
        return [
            keysOf(0).concat([['backspace', 'keyBackspace', '', 'rp', 2]]),
            [['tab', 'keyTab', '', 'lp', 1.5]].concat(top),
            [['caps', 'keyCaps', '', 'lp', 1.75]].concat(home),
            [['shift-left', 'keyShift', '', 'lp', chosen.iso ? 1.25 : 2.25]].concat(bottom,
                [['shift-right', 'keyShift', '', 'rp', 2.75]]),
            space
        ];
    }

    /** Switches the keyboard to a layout id (unknown ids give US QWERTY); returns the layout. */
    function setLayout(id) {
        layout = layouts.get(id);
        rows = buildRows(layout);
        keys = {};
        charMap = { ' ': { id: 'space', shift: false, altGr: false }, '\n': { id: 'enter', shift: false, altGr: false } };
        homeKeys = {};
        rows.forEach(function (row) {
            row.forEach(function (entry) {
                if (entry[6]) return;
                keys[entry[0]] = { id: entry[0], label: entry[1], shifted: entry[2], finger: entry[3], width: entry[4] || 1 };
            });
        });
        layouts.homeCodes.forEach(function (code) {
            homeKeys[layout.keys[code].plain] = true;
        });
        // Plain characters first, then Shift, then AltGr: the easiest way to a character wins.
        ['plain', 'shift', 'altGr'].forEach(function (level) {
            Object.keys(layout.keys).forEach(function (code) {
                var key = layout.keys[code];
                var ch = key[level];
                var dead = level === 'plain' ? key.deadPlain : level === 'shift' ? key.deadShift : key.deadAltGr;
                if (!ch || dead || charMap[ch]) return;
                charMap[ch] = { id: key.plain || code, shift: level === 'shift', altGr: level === 'altGr' };
            });
        });
        Tapwise.keyboard.rows = rows;
        Tapwise.keyboard.keys = keys;
        Tapwise.keyboard.layout = layout;
        return layout;
    }

    /** The key for a character: {id, shift, finger}, or null when no key types it. */
    function keyFor(ch) {
        var entry = charMap[ch];
        if (!entry) return null;
        return { id: entry.id, shift: entry.shift, altGr: entry.altGr, finger: keys[entry.id].finger };
    }

    /** How a key is named to the user ("A", "Space", ";"). */
    function keyName(id) {
        var key = keys[id];
        if (!key) return id;
        return key.label.indexOf('key') === 0 ? Tapwise.i18n.t(key.label) : key.label;
    }

    /** Sums per-character counts into per-key counts. */
    function byKey(perChar) {
        var result = {};
        Object.keys(perChar || {}).forEach(function (ch) {
            var key = keyFor(ch);
            var id = key ? key.id : ch;
            result[id] = (result[id] || 0) + perChar[ch];
        });
        return result;
    }

    function KeyboardView(container) {
        this.container = container;
        this.elements = {};
        this.marked = [];
        this.render();
    }

    KeyboardView.prototype.render = function () {
        var self = this;
        var document = this.container.ownerDocument;
        this.container.textContent = '';
        this.container.classList.add('keyboard');
        this.elements = {};
        this.marked = [];
        rows.forEach(function (row) {
            var rowElement = document.createElement('div');
            rowElement.className = 'kb-row';
            row.forEach(function (entry) {
                var key = entry[6] ? { finger: entry[3], width: entry[4], decoration: true } : keys[entry[0]];
                var element = document.createElement('div');
                element.style.flexGrow = String(key.width);
                element.style.flexBasis = '0';
                if (key.decoration) {
                    element.className = 'kb-key kb-wide finger-' + key.finger;
                    rowElement.appendChild(element);
                    return;
                }
                if (!key.finger) {
                    element.className = 'kb-gap';
                    rowElement.appendChild(element);
                    return;
                }
                element.className = 'kb-key finger-' + key.finger + (key.width > 1 ? ' kb-wide' : '');
                if (homeKeys[key.id]) element.classList.add('kb-home');
                element.setAttribute('data-key', key.id);
                if (key.shifted) {
                    var shifted = document.createElement('span');
                    shifted.className = 'kb-shifted';
                    shifted.textContent = key.shifted;
                    element.appendChild(shifted);
                }
                var label = document.createElement('span');
                label.className = 'kb-label';
                label.textContent = keyName(key.id);
                element.appendChild(label);
                if (entry[5]) {
                    var altGr = document.createElement('span');
                    altGr.className = 'kb-altgr';
                    altGr.textContent = entry[5];
                    element.appendChild(altGr);
                }
                var badge = document.createElement('span');
                badge.className = 'kb-badge';
                badge.hidden = true;
                element.appendChild(badge);
                self.elements[key.id] = element;
                rowElement.appendChild(element);
            });
            self.container.appendChild(rowElement);
        });
    };

    /** Marks the key for the next character, or nothing for null. */
    KeyboardView.prototype.highlight = function (ch) {
        this.marked.forEach(function (element) {
            element.classList.remove('kb-next');
        });
        this.marked = [];
        var key = ch === null || ch === undefined ? null : keyFor(ch);
        if (!key) return;
        var ids = [key.id];
        if (key.shift) ids.push(key.finger.charAt(0) === 'l' ? 'shift-right' : 'shift-left');
        if (key.altGr) ids.push('altgr');
        var self = this;
        ids.forEach(function (id) {
            var element = self.elements[id];
            if (!element) return;
            element.classList.add('kb-next');
            self.marked.push(element);
        });
    };

    /** Shows per-key error counts ({keyId: n}); keys not named show none. */
    KeyboardView.prototype.setErrors = function (counts) {
        var self = this;
        Object.keys(this.elements).forEach(function (id) {
            var element = self.elements[id];
            var badge = element.querySelector('.kb-badge');
            var n = counts && counts[id] ? counts[id] : 0;
            badge.hidden = n === 0;
            badge.textContent = n > 99 ? '99+' : String(n);
            element.classList.toggle('kb-has-errors', n > 0);
        });
    };

    /** A short press feedback on a key. */
    KeyboardView.prototype.flash = function (ch, correct) {
        var key = keyFor(ch);
        var element = key && this.elements[key.id];
        if (!element) return;
        var name = correct ? 'kb-hit' : 'kb-miss';
        element.classList.remove('kb-hit', 'kb-miss');
        // Restart the animation even when the same key is pressed twice in a row.
        void element.offsetWidth;
        element.classList.add(name);
    };

    Tapwise.keyboard = {
        rows: rows,
        fingers: fingers,
        keys: keys,
        layout: layout,
        setLayout: setLayout,
        keyFor: keyFor,
        keyName: keyName,
        byKey: byKey,
        KeyboardView: KeyboardView
    };
    setLayout('us');
})(window);
