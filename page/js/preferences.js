/*
 * What a profile chose to practise: the keyboard layout and whether it is on the layout's graded
 * lessons or on pinyin, kept in localStorage beside the profile's progress. Nothing stored yet
 * means the first start: Chinese opens on pinyin, any other language on the graded lessons.
 */
(function (global) {
    'use strict';
    var Tapwise = (global.Tapwise = global.Tapwise || {});

    var kPrefix = 'tapwise.preferences.v1:';

    function Preferences(profile, choice) {
        var picked = choice || Tapwise.storage.pickBackend();
        this.backend = picked.backend;
        this.storageKey = kPrefix + profile;
        this.stored = false;
        this.layout = 'us';
        this.course = null;
        var raw = null;
        try {
            raw = JSON.parse(this.backend.getItem(this.storageKey));
        } catch (error) {
            raw = null;
        }
        if (raw && typeof raw === 'object') {
            if (typeof raw.layout === 'string' && Tapwise.layouts.byId[raw.layout]) this.layout = raw.layout;
            if (raw.course === 'keys' || raw.course === 'pinyin') this.course = raw.course;
            this.stored = this.course !== null;
        }
    }

    /** The course to open: the stored one, else pinyin for the Chinese interface. */
    Preferences.prototype.courseFor = function (language) {
        if (this.course) return this.course;
        return language === 'zh' ? 'pinyin' : 'keys';
    };

    /** Remembers a choice; returns false when the storage refused it. */
    Preferences.prototype.save = function (course, layout) {
        this.course = course;
        if (layout) this.layout = layout;
        try {
            this.backend.setItem(this.storageKey, JSON.stringify({ course: this.course, layout: this.layout }));
            this.stored = true;
            return true;
        } catch (error) {
            return false;
        }
    };

    Tapwise.Preferences = Preferences;
    Tapwise.Preferences.prefix = kPrefix;
})(window);
