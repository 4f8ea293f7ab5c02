/*
 * The current course's lessons (see courses.js and pinyin.js) and the rules of progression: a
 * lesson is passed when a run meets its speed and accuracy goal, and each lesson opens once the
 * one before it is passed.
 */
(function (global) {
    'use strict';
    var Tapwise = (global.Tapwise = global.Tapwise || {});

    var lessons = (Tapwise.lessons = {});

    /**
     * Makes a course the current one: its stages and lessons become lessons.stages, lessons.list
     * and lessons.byId. A course is a layout's graded lessons or the pinyin lessons.
     */
    function setCourse(course) {
        course.list.forEach(function (entry, index) {
            entry.index = index;
        });
        var byId = {};
        course.list.forEach(function (entry) {
            byId[entry.id] = entry;
        });
        lessons.course = course;
        lessons.stages = course.stages;
        lessons.list = course.list;
        lessons.byId = byId;
    }

    /** Whether a run's result ({wpm or cpm, accuracy in percent}) meets the lesson's goal. */
    function passes(entry, result) {
        var speedMet = entry.goal.cpm !== undefined ? result.cpm >= entry.goal.cpm : result.wpm >= entry.goal.wpm;
        return speedMet && result.accuracy >= entry.goal.accuracy;
    }

    /** The first lesson is always open; any other once the one before it (or it) is passed. */
    function isUnlocked(index, isPassed) {
        if (index <= 0) return true;
        var list = lessons.list;
        if (index >= list.length) return false;
        return isPassed(list[index - 1].id) || isPassed(list[index].id);
    }

    /** The lesson to offer: the first open lesson not yet passed, else the last one. */
    function recommendedIndex(isPassed) {
        var list = lessons.list;
        for (var i = 0; i < list.length; ++i) {
            if (!isPassed(list[i].id)) return i;
        }
        return list.length - 1;
    }

    lessons.stages = [];
    lessons.list = [];
    lessons.byId = {};
    lessons.course = null;
    lessons.setCourse = setCourse;
    lessons.passes = passes;
    lessons.isUnlocked = isUnlocked;
    lessons.recommendedIndex = recommendedIndex;
})(window);
