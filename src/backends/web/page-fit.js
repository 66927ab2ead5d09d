// The page on any screen. A screen at least as large as the one the joke was made for (800 by 600)
// shows the windows at their pixel rectangles. A smaller one, a phone's or a tablet's held either
// way, shows every window of the program (Page.layouts, written by the build) with one scale for
// the whole joke, centred, so that all of them keep their places relative to each other and are
// wholly on the screen; a title-less window at the screen's origin, which stands for the screen's
// corner, covers the whole visible screen instead. Every control is a target that a finger can
// tap, and the box being typed in is kept above the on-screen keyboard.
Object.assign(Page, {
  desk: null, // the element of every window, message box and list
  scale: 1,
  shiftX: 0,
  shiftY: 0,
  lift: 0, // how far the windows are moved up so that the on-screen keyboard hides no box
  fittedTo: null, // the layout viewport's size when the scale was chosen
  MARGIN: 4, // screen pixels left around the joke
  TARGET: 24, // screen pixels of the smallest tap target (WCAG 2.2, target size)

  // Where the windows' frames lie in the page's pixels, the screen's corner left out.
  extent() {
    let left = Infinity, top = Infinity, right = -Infinity, bottom = -Infinity;
    for (const layout of Page.layouts) {
      const x = layout[0], y = layout[1], width = layout[2], height = layout[3], titled = layout[4];
      const frameTop = y - 1 - (titled ? Page.titleHeight : 0);
      if (!titled && x === 1 && y === 1)
        continue;
      left = Math.min(left, x - 1);
      top = Math.min(top, frameTop);
      right = Math.max(right, x + width + 1);
      bottom = Math.max(bottom, y + height + 1);
    }
    return { left, top, width: right - left, height: bottom - top };
  },

  typing() {
    const focus = document.activeElement;
    return focus && focus.tagName === 'INPUT' && focus.type === 'text' && !focus.readOnly ? focus : null;
  },

  refit() {
    const width = document.documentElement.clientWidth, height = document.documentElement.clientHeight;
    const fitted = width < 800 || height < 600;
    const typing = Page.typing();
    // The on-screen keyboard may shorten the layout viewport: the windows then stay as they are
    // and move up instead.
    const keyboard = fitted && typing && Page.fittedTo && Page.fittedTo[0] === width && Page.fittedTo[1] > height;
    if (!keyboard) {
      Page.fittedTo = [width, height];
      if (fitted) {
        const box = Page.extent();
        Page.scale = Math.min((width - 2 * Page.MARGIN) / box.width, (height - 2 * Page.MARGIN) / box.height, 2);
        Page.shiftX = (width - box.width * Page.scale) / 2 - box.left * Page.scale;
        Page.shiftY = (height - box.height * Page.scale) / 2 - box.top * Page.scale;
      } else {
        Page.scale = 1;
        Page.shiftX = Page.shiftY = 0;
      }
    }
    const shown = window.visualViewport || { offsetTop: 0, height };
    Page.lift = 0;
    if (fitted && typing) {
      Page.place_();
      const box = typing.getBoundingClientRect();
      const below = box.bottom + Page.MARGIN - (shown.offsetTop + shown.height);
      const above = shown.offsetTop + Page.MARGIN - box.top;
      Page.lift = below > 0 ? -below : above > 0 ? above : 0;
    }
    Page.place_();
    document.documentElement.style.setProperty('--row',
      (fitted ? Math.max(14, Math.ceil(Page.TARGET / Page.scale)) : 14) + 'px');
    for (const win of Page.windows.values()) {
      Page.reach(win);
      if (win.corner)
        Page.cover(win);
    }
  },

  place_() {
    Page.desk.style.transform = 'translate(' + Page.shiftX + 'px, ' + (Page.shiftY + Page.lift) + 'px) scale(' +
      Page.scale + ')';
  },

  // The visible screen in the page's pixels.
  visible() {
    const shown = window.visualViewport ||
      { offsetLeft: 0, offsetTop: 0, width: innerWidth, height: innerHeight };
    return { left: (shown.offsetLeft - Page.shiftX) / Page.scale,
             top: (shown.offsetTop - Page.shiftY - Page.lift) / Page.scale,
             width: shown.width / Page.scale, height: shown.height / Page.scale };
  },

  // An element's box in the page's pixels.
  deskRect(element) {
    const box = element.getBoundingClientRect();
    return { left: (box.left - Page.shiftX) / Page.scale, top: (box.top - Page.shiftY - Page.lift) / Page.scale,
             width: box.width / Page.scale, height: box.height / Page.scale };
  },

  // A window that stands for the screen's corner covers the visible screen of a small one, its
  // border just outside it; on a large screen it keeps its corner.
  cover(win) {
    const fitted = Page.scale !== 1 || Page.shiftX || Page.shiftY;
    const { left, top, width, height } = fitted ? Page.visible() : win.corner;
    win.frame.style.left = (fitted ? left - 1 : left) + 'px';
    win.frame.style.top = (fitted ? top - 1 : top) + 'px';
    win.frame.style.width = width + 'px';
    win.frame.style.height = height + 'px';
  },

  // Every control but a label reaches at least TARGET screen pixels across: what its drawing
  // lacks, a margin around it that takes the same taps (see the style sheet) gives it.
  reach(win) {
    const least = Page.TARGET / Page.scale / (window.visualViewport ? visualViewport.scale : 1);
    for (const control of win.controls) {
      if (!control || control.kind === 0)
        continue;
      const style = control.element.style;
      style.setProperty('--reach-x', Math.max(0, (least - parseFloat(style.width)) / 2 + 1) + 'px');
      style.setProperty('--reach-y', Math.max(0, (least - parseFloat(style.height)) / 2 + 1) + 'px');
    }
  },
});

Page.desk = Page.element('div', 'desk', document.body);
// A tap on the margin of a text box or combo box gives it the keyboard, as a tap on its drawing
// does.
Page.desk.addEventListener('click', event => {
  const field = event.target.classList && event.target.classList.contains('field') && event.target.firstChild;
  const combo = event.target.classList && event.target.classList.contains('combo') && event.target.firstChild;
  if ((field || combo) && !(field || combo).disabled)
    (field || combo).focus();
});
for (const target of [window, window.visualViewport]) {
  if (target)
    target.addEventListener('resize', () => Page.refit());
}
if (window.visualViewport)
  visualViewport.addEventListener('scroll', () => Page.refit());
document.addEventListener('focusin', () => Page.refit());
