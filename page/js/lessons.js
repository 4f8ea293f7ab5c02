/*
 * The graded lessons (home row to full keyboard, numbers and symbols, English passages) and
 * the rules of progression: a lesson is passed when a run meets its speed and accuracy goal,
 * and each lesson opens once the one before it is passed.
 */
(function (global) {
    'use strict';
    var Tapwise = (global.Tapwise = global.Tapwise || {});

    var stages = [
        { id: 'home', title: 'stageHome' },
        { id: 'top', title: 'stageTop' },
        { id: 'bottom', title: 'stageBottom' },
        { id: 'full', title: 'stageFull' },
        { id: 'numbers', title: 'stageNumbers' },
        { id: 'passages', title: 'stagePassages' }
    ];

    function lesson(stage, id, title, tip, keys, wpm, text) {
        return {
            stage: stage,
            id: id,
            title: title,
            tip: tip,
            keys: keys,
            goal: { wpm: wpm, accuracy: 90 },
            text: text
        };
    }

    var list = [
        lesson('home', 'home-fj', { zh: 'F 与 J', en: 'F and J' },
            { zh: '两手食指放在 F 和 J 上，摸到键上的小凸起。拇指按空格。',
              en: 'Rest your index fingers on F and J; feel the bumps. Thumbs press Space.' },
            'fj', 8, 'fff jjj fjf jfj ff jj fj jf fjj jff jfj fjf'),
        lesson('home', 'home-dk', { zh: 'D 与 K', en: 'D and K' },
            { zh: '中指负责 D 和 K，按完回到基准位置。', en: 'Middle fingers take D and K, then return home.' },
            'dk', 8, 'ddd kkk dkd kdk fdf jkj dk kd fd jk df kj dfk kjd fdk jkd'),
        lesson('home', 'home-sl', { zh: 'S 与 L', en: 'S and L' },
            { zh: '无名指负责 S 和 L。', en: 'Ring fingers take S and L.' },
            'sl', 8, 'sss lll sls lsl sd lk sf lj sdf lkj sl ls fsl jls dsk lkd'),
        lesson('home', 'home-a', { zh: 'A 与 ;', en: 'A and ;' },
            { zh: '小指负责 A 和分号。', en: 'Little fingers take A and the semicolon.' },
            'a;', 8, 'aaa ;;; a;a ;a; as l; fa ;j asdf jkl; sad; lad; fall; flask;'),
        lesson('home', 'home-gh', { zh: 'G 与 H', en: 'G and H' },
            { zh: '食指向内伸一格按 G 和 H。', en: 'Index fingers reach one key inwards for G and H.' },
            'gh', 8, 'ggg hhh fgf jhj gh hg had has gas dash glad flag half shall'),
        lesson('home', 'home-words', { zh: '基准键位单词', en: 'Home row words' },
            { zh: '只用基准键位打出完整的单词。', en: 'Whole words from the home row alone.' },
            '', 8, 'ask a glad lad; a flask has gas; dad shall dash; half a salad; all lads ask; a sash falls'),
        lesson('top', 'top-ei', { zh: 'E 与 I', en: 'E and I' },
            { zh: '中指向上按 E 和 I。', en: 'Middle fingers reach up for E and I.' },
            'ei', 10, 'ded kik die lie side like hike idea desk said kids field shelf aside'),
        lesson('top', 'top-ru', { zh: 'R 与 U', en: 'R and U' },
            { zh: '食指向上按 R 和 U。', en: 'Index fingers reach up for R and U.' },
            'ru', 10, 'frf juj rude fur sure rule dusk real user fresh hurdle rush sugar'),
        lesson('top', 'top-ty', { zh: 'T 与 Y', en: 'T and Y' },
            { zh: '食指向上并向内按 T 和 Y。', en: 'Index fingers reach up and in for T and Y.' },
            'ty', 10, 'ftf jyj try yet they tidy stay style yards eighty three truly daisy'),
        lesson('top', 'top-wo', { zh: 'W 与 O', en: 'W and O' },
            { zh: '无名指向上按 W 和 O。', en: 'Ring fingers reach up for W and O.' },
            'wo', 10, 'sws lol word low slow four show world worry tower follow sorrow widow'),
        lesson('top', 'top-qp', { zh: 'Q 与 P', en: 'Q and P' },
            { zh: '小指向上按 Q 和 P。', en: 'Little fingers reach up for Q and P.' },
            'qp', 10, 'aqa ;p; quiet paper quote equip stop power pool quart purple squad'),
        lesson('bottom', 'bottom-vbnm', { zh: 'V B N M', en: 'V, B, N and M' },
            { zh: '食指向下按 V、B、N、M。', en: 'Index fingers reach down for V, B, N and M.' },
            'vbnm', 12, 'fvf fbf jnj jmj vine move band name bump verb number member behave movie'),
        lesson('bottom', 'bottom-cxz', { zh: 'C X Z 与标点', en: 'C, X, Z and stops' },
            { zh: '中指、无名指、小指向下按 C、X、Z 和 , . /。',
              en: 'Middle, ring and little fingers reach down for C, X, Z and , . /' },
            'cxz,./', 12, 'dcd sxs aza k,k l.l ;/; zinc, box, exact. cozy, calm. size/extra fix/mix. zebra, cactus.'),
        lesson('full', 'full-words', { zh: '常用单词', en: 'Everyday words' },
            { zh: '所有字母一起练习。', en: 'All the letters together.' },
            '', 15, 'the quick brown fox jumps over the lazy dog, then naps by the warm river. pack my box with five dozen jugs of juice.'),
        lesson('full', 'full-capitals', { zh: '大写字母', en: 'Capital letters' },
            { zh: '用另一只手的小指按住 Shift。', en: 'Hold Shift with the little finger of the other hand.' },
            '', 15, 'Anna and Ben met in Paris. Mr Lee told Kim to call Oslo. Tom, Eva and Zoe visit Quebec in June. Yes, Victor, we go to Rome on Friday.'),
        lesson('full', 'full-punctuation', { zh: '标点符号', en: 'Punctuation' },
            { zh: '引号、问号、感叹号、冒号和括号。', en: 'Quotes, question and exclamation marks, colons and brackets.' },
            '\'"?!-:()', 15, 'Wait, is it "done"? Yes! It\'s done - well, almost; we need: tea, milk (and sugar). Don\'t worry: it\'s fine!'),
        lesson('numbers', 'numbers', { zh: '数字', en: 'Numbers' },
            { zh: '从基准位置向上两排按数字键。', en: 'Reach two rows up from home for the digits.' },
            '1234567890', 10, '1 2 3 4 5 6 7 8 9 0 10 20 30 40 50 12 34 56 78 90 2024 has 365 days, 24 hours, 60 minutes. Room 101, bus 42.'),
        lesson('numbers', 'symbols', { zh: '符号', en: 'Symbols' },
            { zh: '符号在数字键和右侧小指区，多数需要 Shift。',
              en: 'Symbols sit on the digits and under the right little finger; most need Shift.' },
            '@#$%^&*_+=[]{}<>|\\~`', 10, 'a+b=c 50% off #1 x*y 3^2 [i] {ok} a_b <br> ~/home $20 & more @home x|y c:\\data `code` (a-b)/2'),
        lesson('passages', 'passage-garden', { zh: '短文：花园', en: 'Passage: the garden' },
            { zh: '一段完整的英文短文。先求准确，再求速度。', en: 'A whole English passage. Accuracy first, then speed.' },
            '', 20, 'Every spring my grandmother planted tomatoes along the south wall of her garden. She said the warm bricks kept the young plants safe at night. By midsummer the vines reached the window, and we ate the fruit still warm from the sun.'),
        lesson('passages', 'passage-lighthouse', { zh: '短文：灯塔', en: 'Passage: the lighthouse' },
            { zh: '保持节奏，眼睛看屏幕而不是键盘。', en: 'Keep a steady rhythm; eyes on the screen, not the keys.' },
            '', 20, 'The lighthouse keeper climbed one hundred and twelve steps each evening to light the lamp. On clear nights its beam reached ships twenty miles away. In storms he stayed awake until dawn, watching the dark water and listening to the wind.'),
        lesson('passages', 'passage-practice', { zh: '短文：练习之道', en: 'Passage: practice' },
            { zh: '最后一课：把学到的都用上。', en: 'The last lesson: put it all together.' },
            '', 20, 'Learning to type well is a matter of small, steady steps. Keep your fingers on the home row, look at the screen instead of the keys, and let accuracy come before speed. After a few weeks of short daily practice, your hands will find the keys on their own.')
    ];

    var byId = {};
    list.forEach(function (entry, index) {
        entry.index = index;
        byId[entry.id] = entry;
    });

    /** Whether a run's result ({wpm, accuracy} in WPM and percent) meets the lesson's goal. */
    function passes(entry, result) {
        return result.wpm >= entry.goal.wpm && result.accuracy >= entry.goal.accuracy;
    }

    /** The first lesson is always open; any other once the one before it (or it) is passed. */
    function isUnlocked(index, isPassed) {
        if (index <= 0) return true;
        if (index >= list.length) return false;
        return isPassed(list[index - 1].id) || isPassed(list[index].id);
    }

    /** The lesson to offer: the first open lesson not yet passed, else the last one. */
    function recommendedIndex(isPassed) {
        for (var i = 0; i < list.length; ++i) {
            if (!isPassed(list[i].id)) return i;
        }
        return list.length - 1;
    }

    Tapwise.lessons = {
        stages: stages,
        list: list,
        byId: byId,
        passes: passes,
        isUnlocked: isUnlocked,
        recommendedIndex: recommendedIndex
    };
})(window);
