// The page's side of the web back end. The C++ side builds and changes the page through these
// functions; the page's event handlers only queue events and wake the one place where the C++ stack
// waits for the next event, so that no handler ever runs C++ code while that stack is suspended.
var Page = {
  queue: [],
  wake: null,
  current: [0],
  windows: new Map(),
  stack: [], // the modal elements, innermost last: only the last takes input
  boxes: new Map(), // each message box's element to its number
  timers: new Map(),
  captions: new Map(), // each caption element to the text that it is yet to be given (page-controls.js)
  top: 10,
  titleHeight: 20,
  shield: null,
  soon: null,

  push(event) {
    Page.queue.push(event);
    if (Page.wake) {
      const wake = Page.wake;
      Page.wake = null;
      wake();
    }
  },

  // The next event as [kind, ...arguments]; resolves once there is one.
  async next() {
    Page.writeCaptions();
    while (!Page.queue.length)
      await new Promise(resolve => { Page.wake = resolve; });
    Page.current = Page.queue.shift();
    return Page.current[0];
  },

  // Runs `task` as soon as the browser has had its turn, without the clamping of nested timeouts.
  // The turn is a message that the page posts to its own window. A MessageChannel would do the
  // same, but WebKit delivers a channel's messages later, even between two ports of one page: with
  // a channel, the hundred progress steps took 2 to 7 % longer in WebKit. Only the page's own
  // message, with its own token, runs a task; any other message to the window is left alone.
  afterYield(task) {
    if (!Page.soon) {
      const tasks = [];
      const token = 'scherzetto-soon';
      window.addEventListener('message', event => {
        if (event.source === window && event.data === token) {
          event.stopImmediatePropagation();
          const task = tasks.shift();
          if (task)
            task();
        }
      });
      Page.soon = task => { tasks.push(task); window.postMessage(token, '*'); };
    }
    Page.soon(task);
  },

  // The layouts leave their captions the room that a small dialog font needs: the page's family is
  // set at the largest pixel size, from 11 down, at which its small letters are on average no
  // wider than 5.4 pixels, so that a wide family is set smaller rather than having its captions
  // cut. Every control and message box shares that one font.
  fitFont() {
    const measure = document.createElement('canvas').getContext('2d');
    const family = getComputedStyle(document.body).fontFamily;
    let size = 11;
    for (; size > 7; --size) {
      measure.font = size + 'px ' + family;
      if (measure.measureText('abcdefghijklmnopqrstuvwxyz').width / 26 <= 5.4)
        break;
    }
    document.body.style.fontSize = size + 'px';
  },

  element(tag, className, parent) {
    const element = document.createElement(tag);
    if (className)
      element.className = className;
    if (parent)
      parent.appendChild(element);
    return element;
  },

  createWindow(id, caption, width, height, background, noDrop) {
    const frame = Page.element('div', 'window', Page.desk);
    frame.hidden = true;
    frame.setAttribute('role', 'dialog');
    // The title bar comes first, where a screen reader reads it before the controls.
    const titled = caption.length > 0;
    if (titled) {
      const title = Page.element('div', 'title', frame);
      title.id = 'title' + id;
      title.textContent = caption;
      frame.setAttribute('aria-labelledby', title.id);
    }
    const client = Page.element('div', 'client', frame);
    client.style.top = titled ? Page.titleHeight + 'px' : '0';
    frame.style.width = width + 'px';
    frame.style.height = (height + (titled ? Page.titleHeight : 0)) + 'px';
    if (background)
      client.style.background = background;
    if (noDrop)
      frame.style.cursor = 'no-drop';
    const win = { id, frame, client, titled, controls: [], tabs: [], focus: null, corner: null,
                  size: [width, height + (titled ? Page.titleHeight : 0)] };
    frame.addEventListener('focusin', event => { win.focus = event.target; });
    Page.windows.set(id, win);
    if (!Page.fittedTo)
      Page.refit();
  },

  destroyWindow(id) {
    const win = Page.windows.get(id);
    Page.hideWindow(id);
    win.frame.remove();
    Page.windows.delete(id);
  },

  place(id, left, top) {
    const win = Page.windows.get(id);
    win.frame.style.left = (left - 1) + 'px';
    win.frame.style.top = (top - 1 - (win.titled ? Page.titleHeight : 0)) + 'px';
    // A window without a title bar whose border lies at the screen's origin stands for the
    // screen's corner (see page-fit.js).
    win.corner = !win.titled && left === 1 && top === 1 ? { left: 0, top: 0, width: win.size[0], height: win.size[1] } : null;
    if (win.corner)
      Page.cover(win);
  },

  // Shows the window in front of every other element and makes it the active one.
  show(id, modal, generation) {
    Page.writeCaptions();
    const win = Page.windows.get(id);
    // A window that is in front already, as the progress window stays from one load to the next,
    // keeps its place, and the browser has nothing to lay out again.
    if (win.frame.hidden || Number(win.frame.style.zIndex) !== Page.top)
      win.frame.style.zIndex = ++Page.top;
    win.frame.hidden = false;
    Page.stack = Page.stack.filter(element => element !== win.frame);
    if (modal) {
      win.frame.setAttribute('aria-modal', 'true');
      Page.stack.push(win.frame);
    }
    Page.activate(win.frame);
    Page.afterYield(() => Page.push([3, id, generation]));
  },

  hideWindow(id) {
    const win = Page.windows.get(id);
    if (win.frame.hidden)
      return;
    const active = Page.active() === win.frame;
    win.frame.hidden = true;
    win.frame.removeAttribute('aria-modal');
    Page.stack = Page.stack.filter(element => element !== win.frame);
    if (active)
      Page.activate(Page.active());
  },

  // The element that takes input: the innermost modal one, or else the frontmost window shown.
  active() {
    if (Page.stack.length)
      return Page.stack[Page.stack.length - 1];
    let best = null;
    for (const win of Page.windows.values()) {
      if (!win.frame.hidden && (!best || Number(win.frame.style.zIndex) > Number(best.style.zIndex)))
        best = win.frame;
    }
    return best;
  },

  // Marks the active element, puts the shield right beneath the innermost modal element, and gives
  // the keyboard back to the control that last had it there.
  activate(element) {
    Page.closeList();
    for (const win of Page.windows.values())
      win.frame.classList.toggle('inactive', win.frame !== element);
    const modal = Page.stack[Page.stack.length - 1];
    if (modal) {
      if (!Page.shield) {
        Page.shield = Page.element('div', 'shield', Page.desk);
        Page.shield.addEventListener('mousedown', event => event.preventDefault());
      }
      const beneath = String(Number(modal.style.zIndex) - 1);
      if (Page.shield.style.zIndex !== beneath)
        Page.shield.style.zIndex = beneath;
      Page.shield.hidden = false;
    } else if (Page.shield) {
      Page.shield.hidden = true;
    }
    const win = element && [...Page.windows.values()].find(candidate => candidate.frame === element);
    const focus = win ? win.focus : element && element.querySelector('button');
    if (focus && element.contains(focus) && document.activeElement !== focus)
      focus.focus();
  },

  windowOf(element) {
    return [...Page.windows.values()].find(win => win.frame === element);
  },

  // Tab and Shift+Tab move by the window's tab order, skipping what is disabled; Escape closes
  // the active window as the desktop's close does, or dismisses a message box; no key reaches an
  // element that a modal one keeps from input.
  onKey(event) {
    const active = Page.active();
    if (!active || (event.target !== document.body && !active.contains(event.target))) {
      event.preventDefault();
      return;
    }
    if (Page.comboKey(event))
      return;
    const box = Page.boxes.has(active);
    // A focused button answers Enter once per press, not again for every repeat of the key; it is
    // pressed here, as every browser does it, whatever its own way with synthesised keys.
    if (event.key === 'Enter' && event.target.tagName === 'BUTTON') {
      event.preventDefault();
      if (!event.repeat)
        event.target.click();
    }
    if (event.key === 'Escape') {
      event.preventDefault();
      if (box)
        Page.dismiss(active);
      else if (!event.repeat)
        Page.push([2, Page.windowOf(active).id]);
    } else if (event.key === 'Tab') {
      event.preventDefault();
      const order = box ? [active.querySelector('button')] : Page.windowOf(active).tabs;
      const usable = order.filter(element => !element.disabled);
      if (!usable.length)
        return;
      const at = usable.indexOf(document.activeElement);
      const step = event.shiftKey ? usable.length - 1 : 1;
      usable[at < 0 ? 0 : (at + step) % usable.length].focus();
    }
  },
};

document.addEventListener('keydown', Page.onKey, true);
Page.fitFont();
