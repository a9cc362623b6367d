/*
 * Info Box: a box with a header band, a bold title line and body text for
 * every element that carries the attributes data-infobox-header,
 * data-infobox-title and data-infobox-body (their values are HTML).
 *
 * Mouse: the box follows the pointer over the element and waits a moment
 * after the pointer leaves, so the pointer can move onto it.
 * Keyboard: the element can be focused; focus shows the box beside it.
 * Escape hides the box until the pointer or focus leaves and comes back.
 * Touch: a tap shows the box beside the element, a tap elsewhere hides it;
 * a link's first tap shows the box and the second follows the link.
 * Screen readers: the box is the element's description (role tooltip,
 * aria-describedby), whether it is shown or not.
 *
 * No inline code and no global names: it runs under a Content-Security-Policy
 * of script-src 'self' and style-src 'self'. Elements added later are found
 * as they arrive.
 */
(function () {
    'use strict';

    var TRIGGER = '[data-infobox-header],[data-infobox-title],[data-infobox-body]';
    var OFFSET_X = 15; // the box's place right of and below the pointer
    var OFFSET_Y = 10;
    var GAP = 4; // between an element and the box beside it
    var GRACE_MS = 500; // time to move the pointer from the element onto the box

    var boxes = new WeakMap(); // element -> its box
    var count = 0;
    var shown = null; // the element whose box is shown
    var reasons = {}; // why it is shown: pointer, focus, touch
    var dismissed = null; // the element whose box Escape hid
    var graceTimer = 0;
    var lastPointer = 'mouse';

    function triggerOf(node) {
        return node && node.closest ? node.closest(TRIGGER) : null;
    }

    function boxOf(node) {
        return node && node.closest ? node.closest('.infobox') : null;
    }

    function fill(box, el) {
        var table = document.createElement('table');
        table.className = 'boxs';
        table.setAttribute('role', 'presentation');
        var header = table.insertRow().insertCell();
        header.className = 'boxheader';
        header.innerHTML = el.getAttribute('data-infobox-header') || '';
        var content = table.insertRow().insertCell();
        content.className = 'boxcontent';
        content.innerHTML = '<b>' + (el.getAttribute('data-infobox-title') || '') + '</b><br>' +
            (el.getAttribute('data-infobox-body') || '');
        box.replaceChildren(table);
    }

    function setUp(el) {
        var box = boxes.get(el);
        if (box) {
            fill(box, el);
            return;
        }
        box = document.createElement('div');
        do {
            box.id = 'infobox-' + ++count;
        } while (document.getElementById(box.id));
        box.className = 'infobox';
        box.setAttribute('role', 'tooltip');
        box.hidden = true;
        fill(box, el);
        document.body.appendChild(box);
        boxes.set(el, box);
        var described = el.getAttribute('aria-describedby');
        el.setAttribute('aria-describedby', described ? described + ' ' + box.id : box.id);
        // Images, cells and divisions are reached by the keyboard too; an
        // element given a tabindex of its own keeps it.
        if (el.tabIndex < 0 && !el.hasAttribute('tabindex'))
            el.tabIndex = 0;
    }

    function setUpAll(root) {
        if (root.nodeType !== 1 || boxOf(root))
            return;
        if (root.matches(TRIGGER))
            setUp(root);
        root.querySelectorAll(TRIGGER).forEach(setUp);
    }

    // The viewport without its scroll bars, in CSS pixels.
    function viewport() {
        var root = document.compatMode === 'BackCompat' ? document.body : document.documentElement;
        return { width: root.clientWidth, height: root.clientHeight };
    }

    // Puts the box's top left corner at (x, y) in the viewport, moved so the
    // box lies wholly inside the viewport where it fits.
    function moveTo(box, x, y, flipX, flipY) {
        box.style.left = '0px';
        box.style.top = '0px';
        var origin = box.getBoundingClientRect();
        var view = viewport();
        if (x + origin.width > view.width)
            x = flipX(origin.width);
        if (y + origin.height > view.height)
            y = flipY(origin.height);
        x = Math.max(0, Math.min(x, view.width - origin.width));
        y = Math.max(0, Math.min(y, view.height - origin.height));
        box.style.left = x - origin.left + 'px';
        box.style.top = y - origin.top + 'px';
    }

    function atPointer(box, event) {
        var x = event.clientX, y = event.clientY;
        moveTo(box, x + OFFSET_X, y + OFFSET_Y,
            function (width) { return x - OFFSET_X - width; },
            function (height) { return y - OFFSET_Y - height; });
    }

    // Below the element, or above it when there is no room below.
    function besideElement(box, el) {
        var r = el.getBoundingClientRect();
        moveTo(box, r.left, r.bottom + GAP,
            function () { return r.left; },
            function (height) { return r.top - GAP - height; });
    }

    function stopGrace() {
        clearTimeout(graceTimer);
        graceTimer = 0;
    }

    function show(el, why) {
        if (el === dismissed)
            return false;
        if (shown !== el) {
            hide();
            setUp(el);
            shown = el;
        }
        reasons[why] = true;
        stopGrace();
        boxes.get(el).hidden = false;
        return true;
    }

    function hide() {
        stopGrace();
        if (shown)
            boxes.get(shown).hidden = true;
        shown = null;
        reasons = {};
    }

    // The box stays while something still holds it.
    function release(why) {
        delete reasons[why];
        if (!reasons.pointer && !reasons.focus && !reasons.touch)
            hide();
    }

    document.addEventListener('pointerdown', function (event) {
        lastPointer = event.pointerType;
        if (event.pointerType === 'touch' && shown && !triggerOf(event.target) && !boxOf(event.target))
            hide();
    }, true);

    document.addEventListener('pointerover', function (event) {
        if (event.pointerType === 'touch')
            return;
        var el = triggerOf(event.target);
        if (el && show(el, 'pointer'))
            atPointer(boxes.get(el), event);
        else if (shown && boxOf(event.target) === boxes.get(shown))
            stopGrace();
    });

    document.addEventListener('pointermove', function (event) {
        if (event.pointerType !== 'touch' && shown && reasons.pointer && triggerOf(event.target) === shown)
            atPointer(boxes.get(shown), event);
    });

    document.addEventListener('pointerout', function (event) {
        if (event.pointerType === 'touch')
            return;
        var from = triggerOf(event.target) || (shown && boxOf(event.target) === boxes.get(shown) ? shown : null);
        if (!from)
            return;
        var to = event.relatedTarget;
        if (triggerOf(to) === from || (shown === from && boxOf(to) === boxes.get(from)))
            return;
        if (from === dismissed && triggerOf(event.target) === from)
            dismissed = null;
        if (shown === from && reasons.pointer && !graceTimer) {
            graceTimer = setTimeout(function () {
                graceTimer = 0;
                release('pointer');
            }, GRACE_MS);
        }
    });

    document.addEventListener('focusin', function (event) {
        var el = triggerOf(event.target);
        if (el && event.target.matches(':focus-visible') && show(el, 'focus'))
            besideElement(boxes.get(el), el);
    });

    document.addEventListener('focusout', function (event) {
        var el = triggerOf(event.target);
        if (!el || triggerOf(event.relatedTarget) === el)
            return;
        if (el === dismissed)
            dismissed = null;
        if (shown === el)
            release('focus');
    });

    document.addEventListener('keydown', function (event) {
        if ((event.key === 'Escape' || event.key === 'Esc') && shown) {
            dismissed = shown;
            hide();
        }
    });

    // A tap shows the box beside the element; a link's first tap does only that.
    document.addEventListener('click', function (event) {
        if (lastPointer !== 'touch')
            return;
        var el = triggerOf(event.target);
        if (!el || shown === el)
            return;
        dismissed = null;
        if (show(el, 'touch')) {
            besideElement(boxes.get(el), el);
            if (event.target.closest('a[href]'))
                event.preventDefault();
        }
    }, true);

    new MutationObserver(function (changes) {
        changes.forEach(function (change) {
            if (change.type === 'attributes') {
                if (change.target.matches(TRIGGER))
                    setUp(change.target);
                return;
            }
            change.addedNodes.forEach(setUpAll);
            if (shown && !shown.isConnected)
                hide();
        });
    }).observe(document.documentElement, {
        childList: true,
        subtree: true,
        attributes: true,
        attributeFilter: ['data-infobox-header', 'data-infobox-title', 'data-infobox-body'],
    });

    if (document.body)
        setUpAll(document.body);
})();
