/*
 * The keyboard layouts the tutor teaches: which character each physical key (KeyboardEvent.code)
 * types, plain, with Shift and with AltGr, and the finger that presses it. Fingers and the
 * home-row bumps belong to the physical key, so they stay put when the layout changes.
 *
 * A LayoutWatch compares the keys that arrive (code against key) with the chosen layout and
 * tells when the system is typing another one.
 */
(function (global) {
    'use strict';
    var Tapwise = (global.Tapwise = global.Tapwise || {});

    var kDigitRow = ['Backquote', 'Digit1', 'Digit2', 'Digit3', 'Digit4', 'Digit5', 'Digit6', 'Digit7',
        'Digit8', 'Digit9', 'Digit0', 'Minus', 'Equal'];
    var kTopRow = ['KeyQ', 'KeyW', 'KeyE', 'KeyR', 'KeyT', 'KeyY', 'KeyU', 'KeyI', 'KeyO', 'KeyP',
        'BracketLeft', 'BracketRight'];
    var kHomeRow = ['KeyA', 'KeyS', 'KeyD', 'KeyF', 'KeyG', 'KeyH', 'KeyJ', 'KeyK', 'KeyL', 'Semicolon', 'Quote'];
    var kBottomRow = ['KeyZ', 'KeyX', 'KeyC', 'KeyV', 'KeyB', 'KeyN', 'KeyM', 'Comma', 'Period', 'Slash'];

    // ANSI boards have Backslash above Enter; ISO boards beside it and one more key left of Z.
    function rowCodes(iso) {
        return [
            kDigitRow,
            iso ? kTopRow : kTopRow.concat(['Backslash']),
            iso ? kHomeRow.concat(['Backslash']) : kHomeRow,
            iso ? ['IntlBackslash'].concat(kBottomRow) : kBottomRow
        ];
    }

    var kFingers = {
        lp: ['Backquote', 'Digit1', 'KeyQ', 'KeyA', 'KeyZ', 'IntlBackslash'],
        lr: ['Digit2', 'KeyW', 'KeyS', 'KeyX'],
        lm: ['Digit3', 'KeyE', 'KeyD', 'KeyC'],
        li: ['Digit4', 'Digit5', 'KeyR', 'KeyT', 'KeyF', 'KeyG', 'KeyV', 'KeyB'],
        ri: ['Digit6', 'Digit7', 'KeyY', 'KeyU', 'KeyH', 'KeyJ', 'KeyN', 'KeyM'],
        rm: ['Digit8', 'KeyI', 'KeyK', 'Comma'],
        rr: ['Digit9', 'KeyO', 'KeyL', 'Period'],
        rp: ['Digit0', 'Minus', 'Equal', 'KeyP', 'BracketLeft', 'BracketRight', 'Backslash', 'Semicolon',
            'Quote', 'Slash']
    };
    var fingerOfCode = {};
    Object.keys(kFingers).forEach(function (finger) {
        kFingers[finger].forEach(function (code) {
            fingerOfCode[code] = finger;
        });
    });

    var kHomeCodes = ['KeyF', 'KeyJ'];

    // Per layout: characters per row in the order of rowCodes (a space: the key types nothing),
    // AltGr characters by code, and the dead keys (they type nothing by themselves).
    var definitions = [
        {
            id: 'us', name: { zh: '美式 QWERTY', en: 'US QWERTY' }, language: 'en', iso: false,
            plain: ['`1234567890-=', 'qwertyuiop[]\\', 'asdfghjkl;\'', 'zxcvbnm,./'],
            shift: ['~!@#$%^&*()_+', 'QWERTYUIOP{}|', 'ASDFGHJKL:"', 'ZXCVBNM<>?']
        },
        {
            id: 'uk', name: { zh: '英式 QWERTY', en: 'UK QWERTY' }, language: 'en', iso: true,
            plain: ['`1234567890-=', 'qwertyuiop[]', 'asdfghjkl;\'#', '\\zxcvbnm,./'],
            shift: ['¬!"£$%^&*()_+', 'QWERTYUIOP{}', 'ASDFGHJKL:@~', '|ZXCVBNM<>?'],
            altGr: { Backquote: '¦', Digit4: '€' }
        },
        {
            id: 'de', name: { zh: '德语 QWERTZ', en: 'German QWERTZ' }, language: 'de', iso: true,
            plain: ['^1234567890ß´', 'qwertzuiopü+', 'asdfghjklöä#', '<yxcvbnm,.-'],
            shift: ['°!"§$%&/()=?`', 'QWERTZUIOPÜ*', 'ASDFGHJKLÖÄ\'', '>YXCVBNM;:_'],
            altGr: { Digit2: '²', Digit3: '³', Digit7: '{', Digit8: '[', Digit9: ']', Digit0: '}', Minus: '\\',
                KeyQ: '@', KeyE: '€', BracketRight: '~', IntlBackslash: '|', KeyM: 'µ' },
            dead: '^´`'
        },
        {
            id: 'fr', name: { zh: '法语 AZERTY', en: 'French AZERTY' }, language: 'fr', iso: true,
            plain: ['²&é"\'(-è_çà)=', 'azertyuiop^$', 'qsdfghjklmù*', '<wxcvbn,;:!'],
            shift: [' 1234567890°+', 'AZERTYUIOP¨£', 'QSDFGHJKLM%µ', '>WXCVBN?./§'],
            altGr: { Digit2: '~', Digit3: '#', Digit4: '{', Digit5: '[', Digit6: '|', Digit7: '`', Digit8: '\\',
                Digit9: '^', Digit0: '@', Minus: ']', Equal: '}', KeyE: '€', BracketRight: '¤' },
            // The AltGr tilde and grave accent are dead too; AltGr+9 types a plain caret.
            dead: '^¨',
            deadAltGr: '~`'
        },
        {
            id: 'dvorak', name: { zh: 'Dvorak', en: 'Dvorak' }, language: 'en', iso: false,
            plain: ['`1234567890[]', '\',.pyfgcrl/=\\', 'aoeuidhtns-', ';qjkxbmwvz'],
            shift: ['~!@#$%^&*(){}', '"<>PYFGCRL?+|', 'AOEUIDHTNS_', ':QJKXBMWVZ']
        },
        {
            id: 'colemak', name: { zh: 'Colemak', en: 'Colemak' }, language: 'en', iso: false,
            plain: ['`1234567890-=', 'qwfpgjluy;[]\\', 'arstdhneio\'', 'zxcvbkm,./'],
            shift: ['~!@#$%^&*()_+', 'QWFPGJLUY:{}|', 'ARSTDHNEIO"', 'ZXCVBKM<>?']
        }
    ];

    function build(definition) {
        var layout = {
            id: definition.id,
            name: definition.name,
            language: definition.language,
            iso: definition.iso,
            rows: rowCodes(definition.iso),
            keys: {},
            hasAltGr: !!definition.altGr
        };
        var dead = definition.dead || '';
        layout.rows.forEach(function (codes, row) {
            var plain = Array.from(definition.plain[row]);
            var shift = Array.from(definition.shift[row]);
            if (plain.length !== codes.length || shift.length !== codes.length) {
                throw new Error('Layout ' + definition.id + ': row ' + row + ' has the wrong length');
            }
            codes.forEach(function (code, index) {
                var altGr = definition.altGr && definition.altGr[code];
                layout.keys[code] = {
                    code: code,
                    plain: plain[index] === ' ' ? '' : plain[index],
                    shift: shift[index] === ' ' ? '' : shift[index],
                    altGr: altGr || '',
                    deadPlain: dead.indexOf(plain[index]) >= 0,
                    deadShift: dead.indexOf(shift[index]) >= 0,
                    deadAltGr: !!altGr && (definition.deadAltGr || '').indexOf(altGr) >= 0,
                    finger: fingerOfCode[code]
                };
            });
        });
        layout.home = kHomeCodes.map(function (code) {
            return layout.keys[code].plain;
        });
        return layout;
    }

    var list = definitions.map(build);
    var byId = {};
    list.forEach(function (layout) {
        byId[layout.id] = layout;
    });

    /** The layout of an id; the US layout for an unknown one. */
    function get(id) {
        return byId[id] || byId.us;
    }

    /**
     * How a layout types a character: {code, shift, altGr}, or null when no key types it
     * directly (dead-key compositions are not offered). The plain level wins over Shift, Shift
     * over AltGr.
     */
    function keyFor(layout, ch) {
        var found = null;
        var rank = 3;
        Object.keys(layout.keys).forEach(function (code) {
            var key = layout.keys[code];
            if (rank > 0 && key.plain === ch && !key.deadPlain) {
                found = { code: code, shift: false, altGr: false };
                rank = 0;
            } else if (rank > 1 && key.shift === ch && !key.deadShift) {
                found = { code: code, shift: true, altGr: false };
                rank = 1;
            } else if (rank > 2 && key.altGr === ch && !key.deadAltGr) {
                found = { code: code, shift: false, altGr: true };
                rank = 2;
            }
        });
        return found;
    }

    /** Whether the layout's key at code types ch at some level (letters in either case). */
    function types(layout, code, ch) {
        var key = layout.keys[code];
        if (!key) return false;
        var lower = ch.toLowerCase();
        return [key.plain, key.shift, key.altGr].some(function (value) {
            return value !== '' && (value === ch || value.toLowerCase() === lower);
        });
    }

    function isLetter(ch) {
        return typeof ch === 'string' && ch.length === 1 && ch.toLowerCase() !== ch.toUpperCase();
    }

    // Two mismatching letters are enough: a system layout maps a key the same way every time.
    var kMismatchesToTell = 2;

    /**
     * Watches the letter keys that arrive for the chosen layout. observe() returns null, or once
     * per chosen layout a finding {chosen, guess} where guess is the layout the keys fit, or null
     * when none of ours does.
     */
    function LayoutWatch(layoutId) {
        this.told = {};
        this.reset(layoutId);
    }

    LayoutWatch.prototype.reset = function (layoutId) {
        this.layout = get(layoutId);
        this.seen = [];
        this.mismatches = 0;
    };

    LayoutWatch.prototype.observe = function (code, key) {
        if (!isLetter(key) || !code || !this.layout.keys[code]) return null;
        this.seen.push({ code: code, key: key });
        if (this.seen.length > 64) this.seen.shift();
        if (!types(this.layout, code, key)) this.mismatches += 1;
        if (this.mismatches < kMismatchesToTell || this.told[this.layout.id]) return null;
        this.told[this.layout.id] = true;
        var seen = this.seen;
        var guess = list.filter(function (layout) {
            return seen.every(function (entry) {
                return types(layout, entry.code, entry.key);
            });
        })[0] || null;
        return { chosen: this.layout, guess: guess };
    };

    Tapwise.layouts = {
        list: list,
        byId: byId,
        get: get,
        keyFor: keyFor,
        types: types,
        fingerOfCode: fingerOfCode,
        homeCodes: kHomeCodes,
        LayoutWatch: LayoutWatch
    };
})(window);
