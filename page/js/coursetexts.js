/*
 * The texts of the graded lessons per language: a word list that the letter drills pick from
 * (only words whose letters have been taught), and the whole-keyboard lessons and passages.
 * Every character here must be typeable on each layout of the language without dead keys.
 */
(function (global) {
    'use strict';
    var Tapwise = (global.Tapwise = global.Tapwise || {});

    function lesson(stage, id, title, tip, keys, wpm, text) {
        return { stage: stage, id: id, title: title, tip: tip, keys: keys, wpm: wpm, text: text };
    }

    var en = {
        letters: 'abcdefghijklmnopqrstuvwxyz',
        words: ('a as ask add all alas dad fad had has lad sad gas flag flask glad half hall shall salad sash ' +
            'dash lass fall falls glass gall hash ha jag lag slag ' +
            'the and to at on in is it he she his this that then than these those there here her hers ' +
            'house tone note stone hand sand stand send end tend ten net ant east seat heat neat tea sea ' +
            'side like hike desk said kids field shelf aside lie die idea deal lead head held shield ' +
            'real user sure rule dusk fresh hurdle rush sugar fur rude free tree three street rest art ' +
            'try yet they tidy stay style yards truly daisy eighty stray dirty story thirsty ' +
            'word low slow four show world worry tower follow sorrow widow window wool woods ' +
            'quiet paper quote equip stop power pool quart purple squad quite port pole ' +
            'vine move band name bump verb number member behave movie never seven brave ' +
            'zinc box exact cozy calm size extra fix mix zebra cactus cold cross voice ' +
            'out our one two old own new now how who what when where which while white ' +
            'more most make made many much must time take tell turn than good great green ' +
            'road rain train trade radio rather three north south earth heart other under ' +
            'also about after again along above below before begin being both but by can ' +
            'come could day did do does done each even every few find first from gave get ' +
            'give go going got just keep kind know last left let life light line little ' +
            'long look may might me mother father near need next no not of off often only ' +
            'open or over part people place play put read right same saw say school see ' +
            'should small so some soon still such take than think thought through today ' +
            'together too took up us use very walk want was water way we well went were ' +
            'will with without work would write year yes you young your').split(' '),
        lessons: [
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
        ]
    };

    var de = {
        letters: 'abcdefghijklmnopqrstuvwxyzäöüß',
        words: ('das lass fass hals als alles flasche gas glas hals halle saal schal schaf schaffen fall falsch ' +
            'da ja ah sah lag kahl kalk ' +
            'der die und in den von zu mit sich des auf für ist im dem nicht ein eine einen als auch es an ' +
            'er so dass sie nach wird bei einer um am sind noch wie einem über einen so zum war haben nur ' +
            'oder aber vor zur bis mehr durch man sein wurde sei jahr zwei hier ihre seine diese ' +
            'heute hause haus hand land stadt straße schule kinder leute wasser wetter garten baum blume ' +
            'tisch stuhl fenster tür zeit tag nacht woche monat abend morgen mittag ' +
            'gut groß klein lang kurz alt neu schön warm kalt hell dunkel schnell langsam ' +
            'essen trinken gehen kommen sehen hören lesen schreiben sagen fragen geben nehmen ' +
            'läuft fährt hält lässt grün tür über müde früh für hübsch küche brücke glück ' +
            'schön hören öffnen österreich könig löffel vögel ' +
            'äpfel bär käse mädchen spät täglich ähnlich ' +
            'straße groß fuß süß heiß weiß ' +
            'fest rest test jedes jede lied lieder seide seife kiesel fels ' +
            'reise rute ruhe rauch sauer trauer tresor treue reiter ' +
            'wort wolke sowie sorge rose rosen tor tore wiese ' +
            'quelle quer quark papier pause post ' +
            'berg bein bank name nummer mutter vater bruder schwester mann frau ' +
            'zucker zweck zug zahl zeichen wichtig vielleicht dichter').split(' '),
        lessons: [
            lesson('full', 'full-words', { zh: '常用单词', en: 'Everyday words' },
                { zh: '所有字母一起练习，包括 ä ö ü ß。', en: 'All the letters together, ä ö ü ß included.' },
                '', 15, 'victor jagt zwölf boxkämpfer quer über den großen sylter deich. fix, schwyzer! quäkt jürgen blöd vom paß.'),
            lesson('full', 'full-capitals', { zh: '大写字母', en: 'Capital letters' },
                { zh: '德语名词首字母大写：用另一只手的小指按住 Shift。',
                    en: 'German nouns start with a capital: hold Shift with the other hand.' },
                '', 15, 'Anna und Ben wohnen in Berlin. Im Sommer fahren sie mit dem Zug nach Wien. Am Montag kauft Jonas Äpfel, Öl und Zucker.'),
            lesson('full', 'full-punctuation', { zh: '标点符号', en: 'Punctuation' },
                { zh: '引号、问号、感叹号、冒号和括号。', en: 'Quotes, question and exclamation marks, colons and brackets.' },
                '"?!-:()', 15, 'Kommst du mit? "Ja, gern!" Wir brauchen: Brot, Milch (frisch) und Tee. Halt - wo ist der Schlüssel?'),
            lesson('numbers', 'numbers', { zh: '数字', en: 'Numbers' },
                { zh: '从基准位置向上两排按数字键。', en: 'Reach two rows up from home for the digits.' },
                '1234567890', 10, '1 2 3 4 5 6 7 8 9 0 10 20 30 40 50 12 34 56 78 90 Ein Jahr hat 365 Tage, 52 Wochen und 12 Monate. Zimmer 101, Bus 42.'),
            lesson('numbers', 'symbols', { zh: '符号', en: 'Symbols' },
                { zh: '符号在数字键上，需要 Shift 或 AltGr。', en: 'Symbols sit on the digits; they need Shift or AltGr.' },
                '§$%&/=?*+#@€{}[]\\|~<>', 10, 'a+b=c 50% Rabatt #1 x*y 3/4 §12 [i] {ok} a_b <br> 20€ & mehr info@haus.de x|y c:\\daten ~/home'),
            lesson('passages', 'passage-garden', { zh: '短文：花园', en: 'Passage: the garden' },
                { zh: '一段完整的德语短文。先求准确，再求速度。', en: 'A whole German passage. Accuracy first, then speed.' },
                '', 20, 'Jeden Frühling pflanzte meine Großmutter Tomaten an der Südwand ihres Gartens. Sie sagte, die warmen Steine schützen die jungen Pflanzen in der Nacht. Im Sommer reichten die Ranken bis zum Fenster.'),
            lesson('passages', 'passage-lighthouse', { zh: '短文：灯塔', en: 'Passage: the lighthouse' },
                { zh: '保持节奏，眼睛看屏幕而不是键盘。', en: 'Keep a steady rhythm; eyes on the screen, not the keys.' },
                '', 20, 'Der Wärter stieg jeden Abend die hundert Stufen zum Licht hinauf. In klaren Nächten sahen die Schiffe den Strahl über viele Meilen. Bei Sturm blieb er wach, bis es hell wurde.'),
            lesson('passages', 'passage-practice', { zh: '短文：练习之道', en: 'Passage: practice' },
                { zh: '最后一课：把学到的都用上。', en: 'The last lesson: put it all together.' },
                '', 20, 'Gut tippen lernt man in kleinen, ruhigen Schritten. Lass die Finger auf der Grundreihe, schau auf den Bildschirm und nicht auf die Tasten. Nach ein paar Wochen finden die Hände den Weg allein.')
        ]
    };

    var fr = {
        letters: 'abcdefghijklmnopqrstuvwxyzéèàçù',
        words: ('des les le la de du et en un une il elle est au aux ce se sa son ses sur dans par pour pas plus ' +
            'qui que quoi quand mais ou où avec sans sous tout tous toute comme bien fait faire dit dire ' +
            'a à ça déjà là voilà été café thé clé bébé école élève été idée année journée ' +
            'mère père frère très après près succès ' +
            'garçon façon leçon reçu français ' +
            'maison jardin arbre fleur soleil pluie vent mer rue ville pays monde temps jour nuit soir ' +
            'matin semaine mois an heure minute porte table chaise livre papier lettre ' +
            'petit grand bon beau belle vieux jeune chaud froid vite lent nouveau dernier premier ' +
            'manger boire aller venir voir lire parler donner prendre partir rester ' +
            'salle sale dalle halle ' +
            'lune dune rude rue sur sud tu vu lu du eu ' +
            'terre tirer tout route roue rouge jaune vert bleu noir blanc ' +
            'quatre quinze quart question quitter ' +
            'zoo zone zéro onze douze treize seize ' +
            'avion avril vrai voix vous nous votre notre bonjour merci').split(' '),
        lessons: [
            lesson('full', 'full-words', { zh: '常用单词', en: 'Everyday words' },
                { zh: '所有字母一起练习，包括 é è à ç ù。', en: 'All the letters together, é è à ç ù included.' },
                '', 15, 'portez ce vieux whisky au juge blond qui fume. le garçon a reçu une lettre de sa mère, où est la clé du café?'),
            lesson('full', 'full-capitals', { zh: '大写字母', en: 'Capital letters' },
                { zh: '用另一只手的小指按住 Shift。', en: 'Hold Shift with the little finger of the other hand.' },
                '', 15, 'Anna et Paul habitent Lyon. En juin, Marie part pour Nantes avec Louis. Le Rhin et la Loire sont des fleuves.'),
            lesson('full', 'full-punctuation', { zh: '标点符号', en: 'Punctuation' },
                { zh: '问号、感叹号、冒号和括号。', en: 'Question and exclamation marks, colons and brackets.' },
                '?!-:()', 15, 'Tu viens? Oui! Il faut: du pain, du lait (frais) et du sucre. Attends - où sont les clés?'),
            lesson('numbers', 'numbers', { zh: '数字', en: 'Numbers' },
                { zh: 'AZERTY 键盘上数字需要按住 Shift。', en: 'On AZERTY the digits need Shift.' },
                '1234567890', 10, '1 2 3 4 5 6 7 8 9 0 10 20 30 40 50 12 34 56 78 90 Une année a 365 jours, 52 semaines et 12 mois. Salle 101, bus 42.'),
            lesson('numbers', 'symbols', { zh: '符号', en: 'Symbols' },
                { zh: '很多符号需要 AltGr。', en: 'Many symbols need AltGr.' },
                '&"\'(-_)=+$*%!:;,<>#{[|\\^@]}€', 10, 'a+b=c 50% (a-b) #1 x*y 3^2 [i] {ok} a_b <br> 20€ & plus info@maison.fr x|y c:\\data $5'),
            lesson('passages', 'passage-garden', { zh: '短文：花园', en: 'Passage: the garden' },
                { zh: '一段完整的法语短文。先求准确，再求速度。', en: 'A whole French passage. Accuracy first, then speed.' },
                '', 20, 'Chaque printemps, ma grand-mère plantait des tomates le long du mur sud de son jardin. Elle disait que les pierres chaudes gardaient les jeunes plantes la nuit. En juillet, les tiges arrivaient à la porte de la cuisine.'),
            lesson('passages', 'passage-lighthouse', { zh: '短文：灯塔', en: 'Passage: the lighthouse' },
                { zh: '保持节奏，眼睛看屏幕而不是键盘。', en: 'Keep a steady rhythm; eyes on the screen, not the keys.' },
                '', 20, 'Le gardien montait chaque soir les cent marches du phare pour allumer la lampe. Par temps clair, les bateaux voyaient sa lumière de très loin. Les soirs d\'orage, il restait éveillé jusqu\'à l\'aube.'),
            lesson('passages', 'passage-practice', { zh: '短文：练习之道', en: 'Passage: practice' },
                { zh: '最后一课：把学到的都用上。', en: 'The last lesson: put it all together.' },
                '', 20, 'Pour bien taper, il faut avancer par petits pas. Garde les doigts sur la rangée de base, regarde l\'écran et non le clavier. Après quelques semaines, tes mains trouveront les touches toutes seules.')
        ]
    };

    Tapwise.courseTexts = { en: en, de: de, fr: fr };
})(window);
