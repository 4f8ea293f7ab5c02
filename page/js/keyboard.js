/*
 * The on-screen keyboard (US layout): which key and finger type each character, and a view
 * that colours keys by finger, marks the next key (with the Shift of the other hand when the
 * character needs it) and shows error counts on the keys.
 */
(function (global) {
    'use strict';
    var Tapwise = (global.Tapwise = global.Tapwise || {});

    // [id, label, shifted label, finger, width in key units]
    var rows = [
        [['`', '`', '~', 'lp'], ['1', '1', '!', 'lp'], ['2', '2', '@', 'lr'], ['3', '3', '#', 'lm'],
         ['4', '4', '$', 'li'], ['5', '5', '%', 'li'], ['6', '6', '^', 'ri'], ['7', '7', '&', 'ri'],
         ['8', '8', '*', 'rm'], ['9', '9', '(', 'rr'], ['0', '0', ')', 'rp'], ['-', '-', '_', 'rp'],
         ['=', '=', '+', 'rp'], ['backspace', 'keyBackspace', '', 'rp', 2]],
        [['tab', 'keyTab', '', 'lp', 1.5], ['q', 'Q', '', 'lp'], ['w', 'W', '', 'lr'], ['e', 'E', '', 'lm'],
         ['r', 'R', '', 'li'], ['t', 'T', '', 'li'], ['y', 'Y', '', 'ri'], ['u', 'U', '', 'ri'],
         ['i', 'I', '', 'rm'], ['o', 'O', '', 'rr'], ['p', 'P', '', 'rp'], ['[', '[', '{', 'rp'],
         [']', ']', '}', 'rp'], ['\\', '\\', '|', 'rp', 1.5]],
        [['caps', 'keyCaps', '', 'lp', 1.75], ['a', 'A', '', 'lp'], ['s', 'S', '', 'lr'], ['d', 'D', '', 'lm'],
         ['f', 'F', '', 'li'], ['g', 'G', '', 'li'], ['h', 'H', '', 'ri'], ['j', 'J', '', 'ri'],
         ['k', 'K', '', 'rm'], ['l', 'L', '', 'rr'], [';', ';', ':', 'rp'], ['\'', '\'', '"', 'rp'],
         ['enter', 'keyEnter', '', 'rp', 2.25]],
        [['shift-left', 'keyShift', '', 'lp', 2.25], ['z', 'Z', '', 'lp'], ['x', 'X', '', 'lr'],
         ['c', 'C', '', 'lm'], ['v', 'V', '', 'li'], ['b', 'B', '', 'li'], ['n', 'N', '', 'ri'],
         ['m', 'M', '', 'ri'], [',', ',', '<', 'rm'], ['.', '.', '>', 'rr'], ['/', '/', '?', 'rp'],
         ['shift-right', 'keyShift', '', 'rp', 2.75]],
        [['gap-left', '', '', '', 3.75], ['space', 'keySpace', '', 'th', 6.25], ['gap-right', '', '', '', 5]]
    ];

    var fingers = ['lp', 'lr', 'lm', 'li', 'ri', 'rm', 'rr', 'rp', 'th'];
    var homeKeys = { f: true, j: true };

    var keys = {};
    var charMap = { ' ': { id: 'space', shift: false }, '\n': { id: 'enter', shift: false } };
    rows.forEach(function (row) {
        row.forEach(function (entry) {
            var key = { id: entry[0], label: entry[1], shifted: entry[2], finger: entry[3], width: entry[4] || 1 };
            keys[key.id] = key;
            if (key.id.length !== 1) return;
            charMap[key.id] = { id: key.id, shift: false };
            if (/[a-z]/.test(key.id)) charMap[key.id.toUpperCase()] = { id: key.id, shift: true };
            else if (key.shifted) charMap[key.shifted] = { id: key.id, shift: true };
        });
    });

    /** The key for a character: {id, shift, finger}, or null when no key types it. */
    function keyFor(ch) {
        var entry = charMap[ch];
        if (!entry) return null;
        return { id: entry.id, shift: entry.shift, finger: keys[entry.id].finger };
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
        rows.forEach(function (row) {
            var rowElement = document.createElement('div');
            rowElement.className = 'kb-row';
            row.forEach(function (entry) {
                var key = keys[entry[0]];
                var element = document.createElement('div');
                element.style.flexGrow = String(key.width);
                element.style.flexBasis = '0';
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
        keyFor: keyFor,
        keyName: keyName,
        byKey: byKey,
        KeyboardView: KeyboardView
    };
})(window);
