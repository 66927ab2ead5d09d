// Message boxes, timers, the user's date format and the page's end: the rest of the page's side of
// the web back end (see page.js).
Object.assign(Page, {
  // A message box, modal in the page: title bar, icon, prompt and one OK button, which has the
  // keyboard. Dismissing it (OK, Enter on OK, Escape) queues an event with its number.
  openBox(number, prompt, title, icon) {
    const box = Page.element('div', 'box', Page.desk);
    box.setAttribute('role', 'alertdialog');
    box.setAttribute('aria-modal', 'true');
    const caption = Page.element('div', 'title', box);
    caption.id = 'boxtitle' + number;
    caption.textContent = title;
    box.setAttribute('aria-labelledby', caption.id);
    const client = Page.element('div', 'box-client', box);
    const picture = Page.element('span', '', client);
    picture.setAttribute('aria-hidden', 'true');
    if (icon)
      picture.appendChild(new DOMParser().parseFromString(icon, 'image/svg+xml').documentElement);
    const text = Page.element('p', '', client);
    text.id = 'boxtext' + number;
    text.textContent = prompt;
    box.setAttribute('aria-describedby', text.id);
    const ok = Page.element('button', '', Page.element('div', '', client));
    ok.type = 'button';
    ok.textContent = 'OK';
    ok.addEventListener('click', () => Page.dismiss(box));
    box.style.zIndex = ++Page.top;
    // Centred on the window that owns it, or on the page, and within the visible screen.
    const owner = Page.active();
    Page.boxes.set(box, number);
    Page.stack.push(box);
    const screen = Page.visible();
    box.style.maxWidth = Math.min(640, screen.width - 10) + 'px';
    const around = owner ? Page.deskRect(owner) : screen;
    const left = Math.min(around.left + (around.width - box.offsetWidth) / 2, screen.left + screen.width - box.offsetWidth - 2);
    const top = Math.min(around.top + (around.height - box.offsetHeight) / 2, screen.top + screen.height - box.offsetHeight - 2);
    box.style.left = Math.round(Math.max(screen.left, left)) + 'px';
    box.style.top = Math.round(Math.max(screen.top, top)) + 'px';
    Page.activate(box);
    ok.focus();
  },

  dismiss(box) {
    const number = Page.boxes.get(box);
    if (number === undefined)
      return;
    Page.closeBox(number);
    Page.push([5, number]);
  },

  closeBox(number) {
    for (const box of [...Page.boxes.keys()]) {
      if (Page.boxes.get(box) !== number)
        continue;
      Page.boxes.delete(box);
      box.remove();
      Page.stack = Page.stack.filter(element => element !== box);
      Page.activate(Page.active());
    }
  },

  // A timer's tick is queued once `interval` milliseconds have passed by the page's own clock,
  // never sooner: the browser's timeout wakes the page a little early, the moments up to the last
  // millisecond are waited for in turns of the event loop, and that millisecond at once, since a
  // turn may have to wait for the browser to lay out and paint the whole page first.
  startTimer(id, generation, interval) {
    Page.stopTimer(id);
    const timer = { due: performance.now() + interval, handle: 0 };
    const check = () => {
      if (Page.timers.get(id) !== timer)
        return;
      let left = timer.due - performance.now();
      if (left > 4)
        timer.handle = setTimeout(check, left - 3);
      else if (left > 1)
        Page.afterYield(check);
      while (left > 0 && left <= 1)
        left = timer.due - performance.now();
      if (left <= 0) {
        Page.timers.delete(id);
        Page.push([4, id, generation]);
      }
    };
    Page.timers.set(id, timer);
    check();
  },

  stopTimer(id) {
    const timer = Page.timers.get(id);
    if (timer)
      clearTimeout(timer.handle);
    Page.timers.delete(id);
  },

  // The short date pattern of the browser's language in the notation of DateFormat, and its
  // month names: Intl's default locale is the browser's own.
  datePattern() {
    const parts = new Intl.DateTimeFormat(undefined, { dateStyle: 'short' }).formatToParts(new Date(2001, 2, 5));
    return parts.map(({ type, value }) => {
      if (type === 'day')
        return value.length > 1 ? 'dd' : 'd';
      if (type === 'month')
        return /^\d+$/.test(value) ? (value.length > 1 ? 'MM' : 'M') : (value.length > 3 ? 'MMMM' : 'MMM');
      if (type === 'year')
        return 'yyyy';
      return "'" + value.replace(/'/g, "''") + "'";
    }).join('');
  },

  monthName(month, style) {
    return new Intl.DateTimeFormat(undefined, { month: style }).format(new Date(2001, month, 1));
  },

  refuse() {
    document.body.replaceChildren();
    Page.element('p', 'refusal', document.body).textContent =
      'Questo browser non riesce ad avviare Scherzetto: serve una versione recente di Chrome, Edge, Firefox o Safari.';
  },

  // The program has ended: the page is left empty, as a program that has ended leaves the screen.
  end(status) {
    for (const id of Page.timers.keys())
      Page.stopTimer(id);
    document.removeEventListener('keydown', Page.onKey, true);
    document.body.replaceChildren();
    document.body.style.background = 'none';
    document.documentElement.dataset.exitStatus = status;
  },
});

// The program's WebAssembly is part of this page. It is decoded here and compiled directly: the
// page never asks the browser to fetch it, not even from its own data: address, which the page's
// policy refuses as it refuses every connection.
// A browser that cannot run it (too old to know 'wasm-unsafe-eval', or without WebAssembly) gets a
// line saying so instead of an empty page.
// Emscripten 3.1.6 names the embedded binary before it calls here, and later releases only after,
// asking findWasmBinary for it. A build whose sanitizers name the functions of their reports reads
// the names from the binary, as Emscripten's own instantiation would have it do.
Module.instantiateWasm = (imports, receive) => {
  const binary = tryParseAsDataURI(typeof wasmBinaryFile === 'string' ? wasmBinaryFile : findWasmBinary());
  WebAssembly.instantiate(binary, imports).then(result => {
    if (typeof WasmOffsetConverter === 'function')
      wasmOffsetConverter = new WasmOffsetConverter(binary, result.module);
    receive(result.instance);
  }, () => Page.refuse());
  return {};
};
