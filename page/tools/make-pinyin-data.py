#!/usr/bin/env python3
"""Writes page/data/pinyin-lessons.js, the items of the pinyin lessons, from the simplified
pinyin dictionary of Debian's package rime-data-pinyin-simp (Apache-2.0, derived from the
Android Pinyin IME). Only what the lessons use is written.

Readings: a word takes its own most frequent reading in the dictionary, so a polyphonic
character reads as it does in that word (银行 yin hang, 行人 xing ren); a lone character takes
its most frequent lone reading. Passage tokens are words of the dictionary; "字|pin" fixes the
reading of a lone character where the word around it decides it.

Usage: python3 page/tools/make-pinyin-data.py [dictionary]   (installs the package if missing)
"""
import collections
import json
import os
import re
import subprocess
import sys

kPackage = 'rime-data-pinyin-simp'
kDictionary = '/usr/share/rime-data/pinyin_simp.dict.yaml'
kRoot = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
kOutput = os.path.join(kRoot, 'data', 'pinyin-lessons.js')
kSyllable = re.compile(r'^[a-z]+$')

kInitials = [
    ('initials-bpmf', ['b', 'p', 'm', 'f']),
    ('initials-dtnl', ['d', 't', 'n', 'l']),
    ('initials-gkh', ['g', 'k', 'h']),
    ('initials-jqx', ['j', 'q', 'x']),
    ('initials-zhchshr', ['zh', 'ch', 'sh', 'r']),
    ('initials-zcs', ['z', 'c', 's']),
    ('initials-yw', ['y', 'w']),
]
kAllInitials = ['zh', 'ch', 'sh', 'b', 'p', 'm', 'f', 'd', 't', 'n', 'l', 'g', 'k', 'h', 'j', 'q',
                'x', 'r', 'z', 'c', 's', 'y', 'w']
kFinals = [
    ('finals-simple', ['a', 'o', 'e', 'i', 'u', 'v']),
    ('finals-compound', ['ai', 'ei', 'ui', 'ao', 'ou', 'iu', 'ie', 'ue', 'er']),
    ('finals-nasal', ['an', 'en', 'in', 'un', 'ang', 'eng', 'ing', 'ong']),
    ('finals-medial', ['ia', 'iao', 'ian', 'iang', 'iong', 'ua', 'uo', 'uai', 'uan', 'uang']),
]
kCharsPerInitial = 4
kCharsPerFinal = 2
kCharLessons = 5
kCharsPerLesson = 24
kWordLessons = 4
kWordsPerLesson = 16
# Forum and chat words that lead the source's counts but make poor lessons.
kSkippedWords = {'回复日期', '楼主', '老婆', '老公', '网友', '帖子', '顶顶', '是不是', '给我', '给你',
                 '我的', '你的', '好的', '这是', '也是', '就是', '不是', '还是', '都是'}
# Words whose characters read differently elsewhere; every reading comes from the dictionary.
# Interjections of chat that the counts rank high.
kSkippedChars = set('呵哈嘿嗯恩哦')
kPolyphonicWords = ['银行', '行人', '重要', '重新', '长大', '长城', '音乐', '快乐', '觉得', '睡觉',
                    '还有', '还给', '首都', '都是', '目的', '的确', '调查', '空调', '方便', '便宜',
                    '了解', '出差', '差不多', '头发']
kPassages = [
    ('passage-spring',
     '春天 来 了 ， 公园 里 的 花 都 开 了 。 每天 早上 ， 很多 老人 在 树 下 散步 ， '
     '孩子 们 在 草地 上 跑 来 跑 去 。 我 喜欢 一边 走 ， 一边 听 鸟 叫 。'),
    ('passage-typing',
     '学习 打字 的 时候 ， 不要 看 键盘 。 先 把 手指 放在 中间 一行|hang 上 ， 再 慢慢 '
     '提高 速度 。 只要 每天 练习 一会儿 ， 你 就 会 发现 自己 越来越 快 。'),
    ('passage-city',
     '我 家 附近 有 一家 银行 ， 银行 旁边 是 一条 很长 的 街道 。 街 上 的 行人 很多 ， '
     '大家 都 在 忙 自己 的 事情 。 晚上 我们 常常 去 公园 听 音乐 ， 觉得 非常 快乐 。'),
]


def load(path):
    if not os.path.exists(path):
        print('Installing the Debian package %s' % kPackage)
        sudo = [] if os.geteuid() == 0 else ['sudo']
        subprocess.check_call(sudo + ['apt-get', '-o', 'DPkg::Lock::Timeout=600', 'install', '-y',
                                      '--no-install-recommends', kPackage])
    entries = collections.defaultdict(dict)
    with open(path, encoding='utf-8') as source:
        body = False
        for line in source:
            line = line.rstrip('\n')
            if line == '...':
                body = True
                continue
            fields = line.split('\t')
            if not body or len(fields) != 3 or not fields[2].isdigit():
                continue
            text, reading, weight = fields[0], fields[1], int(fields[2])
            syllables = reading.split(' ')
            if len(syllables) != len(text) or not all(kSyllable.match(s) for s in syllables):
                continue
            entries[text][reading] = max(weight, entries[text].get(reading, 0))
    return entries


def is_ambiguous(readings):
    ranked = sorted(readings.values(), reverse=True)
    return len(ranked) > 1 and ranked[0] == ranked[1]


def reading(entries, text):
    readings = entries.get(text)
    if not readings:
        raise SystemExit('not in the dictionary: %s' % text)
    # A tie between two readings is no answer for a word the lessons teach.
    if len(text) > 1 and is_ambiguous(readings):
        raise SystemExit('two readings equally likely: %s %s' % (text, readings))
    return max(readings.items(), key=lambda item: item[1])[0]


def char_frequency(entries):
    """How often each character occurs, summed over every word that holds it."""
    counts = collections.Counter()
    for text, readings in entries.items():
        weight = sum(readings.values())
        for ch in text:
            counts[ch] += weight
    return counts


def split_syllable(syllable):
    for initial in kAllInitials:
        if syllable.startswith(initial) and len(syllable) > len(initial):
            return initial, syllable[len(initial):]
    return '', syllable


def is_common(ch, rank):
    return '\u4e00' <= ch <= '\u9fff' and rank.get(ch, 1 << 30) < 2500


def lone_chars(entries, frequency):
    """Characters by frequency with their lone reading: [(char, reading)]."""
    result = []
    for ch, _ in frequency.most_common():
        if len(ch) == 1 and '\u4e00' <= ch <= '\u9fff' and ch in entries and ch not in kSkippedChars:
            result.append((ch, reading(entries, ch)))
    return result


def pick_by_sound(chars, groups, part, per_sound):
    """For every initial or final of a group, its most frequent characters of distinct syllables."""
    items = []
    for sound in groups:
        syllables = set()
        for ch, pinyin in chars:
            initial, final = split_syllable(pinyin)
            value = initial if part == 'initial' else final
            # j q x y take ü written as u; those are not the final u.
            if part == 'final' and initial in ('j', 'q', 'x', 'y') and final.startswith('u'):
                continue
            if part == 'final' and final == 'i' and initial in ('zh', 'ch', 'sh', 'r', 'z', 'c', 's'):
                continue
            if value != sound or pinyin in syllables:
                continue
            syllables.add(pinyin)
            items.append([ch, pinyin])
            if len(syllables) == per_sound:
                break
        if not syllables:
            raise SystemExit('no character for %s %s' % (part, sound))
    return items


def common_words(entries, rank):
    words = []
    for text, readings in entries.items():
        if not 2 <= len(text) <= 4 or text in kSkippedWords or len(set(text)) < len(text) or \
                set(text) & kSkippedChars:
            continue
        if text[0] == '的' or text[-1] == '的' or is_ambiguous(readings) or not all(is_common(ch, rank) for ch in text):
            continue
        words.append((max(readings.values()), text))
    words.sort(key=lambda item: (-item[0], item[1]))
    return [[text, reading(entries, text)] for _, text in words]


def passage(entries, text):
    """Items [hanzi, pinyin, punctuation after] of a passage written as spaced tokens."""
    items = []
    for token in text.split():
        if re.match(r'^[，。！？、；：]$', token):
            items[-1][2] += token
            continue
        if '|' in token:
            token, fixed = token.split('|')
            whole = entries.get(token, {})
            if fixed not in [r.split(' ')[-1] for r in whole] and fixed not in whole:
                raise SystemExit('%s cannot read %s' % (token, fixed))
            pinyin = reading(entries, token[:-1]) + ' ' + fixed if len(token) > 1 else fixed
        else:
            pinyin = reading(entries, token)
        items.append([token, pinyin, ''])
    return items


def main():
    path = sys.argv[1] if len(sys.argv) > 1 else kDictionary
    entries = load(path)
    frequency = char_frequency(entries)
    rank = {ch: index for index, (ch, _) in enumerate(frequency.most_common())}
    chars = lone_chars(entries, frequency)
    lessons = collections.OrderedDict()
    for lesson_id, initials in kInitials:
        lessons[lesson_id] = pick_by_sound(chars[:1500], initials, 'initial', kCharsPerInitial)
    for lesson_id, finals in kFinals:
        lessons[lesson_id] = pick_by_sound(chars[:2500], finals, 'final', kCharsPerFinal)
    for index in range(kCharLessons):
        part = chars[index * kCharsPerLesson:(index + 1) * kCharsPerLesson]
        lessons['chars-%d' % (index + 1)] = [list(item) for item in part]
    words = common_words(entries, rank)
    for index in range(kWordLessons):
        lessons['words-%d' % (index + 1)] = words[index * kWordsPerLesson:(index + 1) * kWordsPerLesson]
    lessons['words-polyphonic'] = [[word, reading(entries, word)] for word in kPolyphonicWords]
    for lesson_id, text in kPassages:
        lessons[lesson_id] = passage(entries, text)

    body = json.dumps(lessons, ensure_ascii=False, indent=None, separators=(',', ':'))
    body = body.replace('],"', '],\n        "').replace('{"', '{\n        "', 1)
    with open(kOutput, 'w', encoding='utf-8') as out:
        out.write('/*\n'
                  ' * Items of the pinyin lessons: [characters, toneless pinyin with v for ü'
                  ' (, punctuation after)].\n'
                  ' * Generated by page/tools/make-pinyin-data.py from the Debian package\n'
                  ' * ' + kPackage + ' (pinyin_simp.dict.yaml, Apache License 2.0, derived from the\n'
                  ' * Android Pinyin IME); see data/README.md. Do not edit by hand.\n'
                  ' */\n'
                  '(function (global) {\n'
                  "    'use strict';\n"
                  '    var Tapwise = (global.Tapwise = global.Tapwise || {});\n'
                  '    Tapwise.pinyinData = ' + body[:-1] + '\n    };\n'
                  '})(window);\n')
    count = sum(len(items) for items in lessons.values())
    print('%s: %d lessons, %d items' % (kOutput, len(lessons), count))


if __name__ == '__main__':
    main()
