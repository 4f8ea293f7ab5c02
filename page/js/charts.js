/*
 * Small SVG charts: lines (with a moving average beside the raw values) and bars. Each chart
 * can be read with the keyboard: focus it and step through the points with the arrow keys,
 * Home and End; the values of the point under the cursor are written to a live text below the
 * chart, which the mouse moves too.
 */
(function (global) {
    'use strict';
    var Tapwise = (global.Tapwise = global.Tapwise || {});

    var ns = 'http://www.w3.org/2000/svg';
    var kWidth = 640;
    var kHeight = 200;
    var kMargin = { left: 44, right: 12, top: 12, bottom: 26 };
    // Above this many points the dots would only blur the line.
    var kMaxDots = 60;
    var kPageStep = 10;
    var kMaxBarWidth = 28;

    function element(document, name, attributes) {
        var node = document.createElementNS(ns, name);
        Object.keys(attributes || {}).forEach(function (key) {
            node.setAttribute(key, String(attributes[key]));
        });
        return node;
    }

    /** A rounded tick step giving about count ticks over span. */
    function niceStep(span, count) {
        if (!(span > 0)) return 1;
        var raw = span / count;
        var power = Math.pow(10, Math.floor(Math.log(raw) / Math.LN10));
        var fraction = raw / power;
        var nice = fraction <= 1 ? 1 : fraction <= 2 ? 2 : fraction <= 5 ? 5 : 10;
        return nice * power;
    }

    /** An axis label with as many decimals as the step needs. */
    function tickText(value, step) {
        var decimals = Math.max(0, Math.min(4, -Math.floor(Math.log(step) / Math.LN10 + 1e-9)));
        return value.toFixed(decimals);
    }

    function finite(value) {
        return typeof value === 'number' && isFinite(value);
    }

    /** The value range of a chart: [min, max, step], rounded out to whole steps. */
    function yRange(options) {
        var low = options.yMin !== undefined ? options.yMin : Infinity;
        var high = -Infinity;
        options.series.forEach(function (series) {
            series.values.forEach(function (value) {
                if (!finite(value)) return;
                if (options.yMin === undefined) low = Math.min(low, value);
                high = Math.max(high, value);
            });
        });
        if (!isFinite(high)) high = low === Infinity ? 1 : low + 1;
        if (low === Infinity) low = 0;
        if (options.yMax !== undefined) high = Math.max(high, options.yMax);
        if (high === low) {
            if (options.yMax !== undefined && high >= options.yMax) low = high - 1;
            else high = low + 1;
        }
        var step = niceStep(high - low, 4);
        return [Math.floor(low / step) * step, Math.ceil(high / step) * step, step];
    }

    /**
     * Draws a chart into container, replacing what was there. options: kind ("line" or "bar"),
     * label (what the chart shows), series [{name, values (numbers or null), className}],
     * labels (one text per point), format(value) for the readout, optional yMin,
     * yMax and xTicks [{index, text}]. Returns {select(index)} for the readout.
     */
    function render(container, options) {
        var document = container.ownerDocument;
        container.textContent = '';
        container.classList.add('chart');
        var count = options.labels.length;
        var range = yRange(options);
        var plotWidth = kWidth - kMargin.left - kMargin.right;
        var plotHeight = kHeight - kMargin.top - kMargin.bottom;
        var bar = options.kind === 'bar';
        function x(index) {
            if (bar) return kMargin.left + (index + 0.5) * plotWidth / Math.max(1, count);
            return kMargin.left + (count <= 1 ? plotWidth / 2 : index * plotWidth / (count - 1));
        }
        function y(value) {
            return kMargin.top + plotHeight - (value - range[0]) / (range[1] - range[0]) * plotHeight;
        }

        var svg = element(document, 'svg', {
            viewBox: '0 0 ' + kWidth + ' ' + kHeight,
            class: 'chart-svg',
            tabindex: 0,
            role: 'img',
            focusable: 'true'
        });
        svg.setAttribute('aria-label', options.label);
        var grid = element(document, 'g', { class: 'chart-grid' });
        for (var tick = range[0]; tick <= range[1] + range[2] / 2; tick += range[2]) {
            grid.appendChild(element(document, 'line', { x1: kMargin.left, x2: kWidth - kMargin.right, y1: y(tick), y2: y(tick) }));
            var text = element(document, 'text', { x: kMargin.left - 6, y: y(tick) + 4, class: 'chart-tick-y' });
            text.textContent = tickText(tick, range[2]);
            grid.appendChild(text);
        }
        (options.xTicks || []).forEach(function (entry) {
            var label = element(document, 'text', { x: x(entry.index), y: kHeight - 8, class: 'chart-tick-x' });
            label.textContent = entry.text;
            grid.appendChild(label);
        });
        svg.appendChild(grid);

        options.series.forEach(function (series, seriesIndex) {
            var group = element(document, 'g', { class: 'chart-series ' + (series.className || 'series-' + seriesIndex) });
            if (bar) {
                var width = Math.max(1, Math.min(kMaxBarWidth, plotWidth / Math.max(1, count) * 0.72));
                series.values.forEach(function (value, index) {
                    if (!finite(value)) return;
                    group.appendChild(element(document, 'rect', {
                        x: x(index) - width / 2,
                        y: y(Math.max(value, range[0])),
                        width: width,
                        height: Math.max(0, y(range[0]) - y(Math.max(value, range[0])))
                    }));
                });
            } else {
                var path = '';
                var pen = false;
                series.values.forEach(function (value, index) {
                    if (!finite(value)) {
                        pen = false;
                        return;
                    }
                    path += (pen ? 'L' : 'M') + x(index).toFixed(1) + ' ' + y(value).toFixed(1);
                    pen = true;
                });
                if (path) group.appendChild(element(document, 'path', { d: path, class: 'chart-line' }));
                if (series.dots !== false && count <= kMaxDots) {
                    series.values.forEach(function (value, index) {
                        if (finite(value)) group.appendChild(element(document, 'circle', { cx: x(index), cy: y(value), r: 3 }));
                    });
                }
            }
            svg.appendChild(group);
        });

        var cursor = element(document, 'line', { class: 'chart-cursor', y1: kMargin.top, y2: kMargin.top + plotHeight, visibility: 'hidden' });
        svg.appendChild(cursor);
        container.appendChild(svg);

        var readout = document.createElement('p');
        readout.className = 'chart-readout';
        readout.setAttribute('aria-live', 'polite');
        container.appendChild(readout);

        var selected = -1;
        function select(index) {
            if (count === 0) return;
            selected = Math.max(0, Math.min(count - 1, index));
            cursor.setAttribute('x1', x(selected));
            cursor.setAttribute('x2', x(selected));
            cursor.setAttribute('visibility', 'visible');
            readout.textContent = options.labels[selected] + ' · ' + options.series.map(function (series) {
                var value = series.values[selected];
                return series.name + ' ' + (finite(value) ? options.format(value, false) : '—');
            }).join(' · ');
        }
        svg.addEventListener('keydown', function (event) {
            var steps = { ArrowLeft: -1, ArrowRight: 1, ArrowDown: -1, ArrowUp: 1, PageDown: -kPageStep, PageUp: kPageStep };
            var target = null;
            if (Object.prototype.hasOwnProperty.call(steps, event.key)) target = (selected < 0 ? count : selected) + steps[event.key];
            else if (event.key === 'Home') target = 0;
            else if (event.key === 'End') target = count - 1;
            if (target === null) return;
            event.preventDefault();
            event.stopPropagation();
            select(target);
        });
        svg.addEventListener('focus', function () {
            if (selected < 0) select(count - 1);
        });
        svg.addEventListener('mousemove', function (event) {
            var box = svg.getBoundingClientRect();
            if (box.width === 0 || count === 0) return;
            var at = (event.clientX - box.left) / box.width * kWidth;
            var index = bar ? Math.floor((at - kMargin.left) / (plotWidth / count)) :
                Math.round((at - kMargin.left) / (plotWidth / Math.max(1, count - 1)));
            select(index);
        });
        if (count > 0) select(count - 1);
        return {
            select: select,
            selected: function () {
                return selected;
            }
        };
    }

    /** Tick marks for count points: the first, the last and a few between. */
    function spreadTicks(count, text, wanted) {
        if (count === 0) return [];
        var ticks = [];
        var step = Math.max(1, Math.ceil((count - 1) / Math.max(1, (wanted || 5) - 1)));
        for (var index = 0; index < count; index += step) ticks.push({ index: index, text: text(index) });
        if (ticks[ticks.length - 1].index !== count - 1) {
            // Too close to the last tick: the two labels would overlap.
            if (count - 1 - ticks[ticks.length - 1].index < step / 2 && ticks.length > 1) ticks.pop();
            ticks.push({ index: count - 1, text: text(count - 1) });
        }
        return ticks;
    }

    Tapwise.charts = {
        render: render,
        niceStep: niceStep,
        tickText: tickText,
        yRange: yRange,
        spreadTicks: spreadTicks
    };
})(window);
