// The controls of a window, the page's side of controls.cpp: each an element of the window's client
// area at its layout rectangle, with its text, items, ticks and states (see page.js).
Object.assign(Page, {
  createControl(id, index, kind, left, top, width, height) {
    const win = Page.windows.get(id);
    let element, input;
    if (kind === 0) {
      element = Page.element('label');
    } else if (kind === 2) {
      element = Page.element('button');
      element.type = 'button';
      element.addEventListener('click', () => Page.push([1, id, index]));
    } else if (kind === 4 || kind === 5) {
      element = Page.element('label', 'choice');
      input = Page.element('input', '', element);
      input.type = kind === 4 ? 'radio' : 'checkbox';
      input.name = 'group' + id;
      element.appendChild(document.createTextNode(''));
    } else if (kind === 3) {
      ({ element, input } = Page.createCombo(id + '_' + index));
    } else {
      // In a span of its own, whose margin takes taps (see page-fit.js).
      element = Page.element('span', 'field');
      input = Page.element('input', '', element);
      input.type = 'text';
      input.spellcheck = false;
      input.autocomplete = 'off';
    }
    const control = input || element;
    control.id = 'c' + id + '_' + index;
    element.style.left = left + 'px';
    element.style.top = top + 'px';
    element.style.width = width + 'px';
    element.style.height = height + 'px';
    win.client.appendChild(element);
    win.controls[index] = { element, control, kind };
    Page.reach(win);
  },

  control(id, index) {
    return Page.windows.get(id).controls[index];
  },

  setLabelFor(id, label, index) {
    Page.control(id, label).element.htmlFor = Page.control(id, index).control.id;
  },

  setTabOrder(id, indices) {
    const win = Page.windows.get(id);
    win.tabs = indices.map(index => win.controls[index].control);
  },

  text(id, index) {
    const { element, control, kind } = Page.control(id, index);
    if (kind === 1 || kind === 3)
      return control.value;
    const caption = Page.captions.get(element);
    return caption ? caption.text : Page.written(element, kind);
  },

  // What a caption shows on the page.
  written(element, kind) {
    return kind === 4 || kind === 5 ? element.lastChild.data : element.textContent;
  },

  // A box's text is set at once, for the user may type in it next. A caption, the text of a
  // label, a button or an option or check box, is written to the page once the program has done
  // with it (writeCaptions): a window that is loaded again and again, as the progress window is,
  // has its captions put back to its record and given new texts straight away, and the browser
  // then takes in only the text that it will show.
  setText(id, index, text) {
    const { element, control, kind } = Page.control(id, index);
    if (kind === 1 || kind === 3) {
      control.value = text;
      if (kind === 3 && control.combo_.kept !== null)
        control.combo_.kept = text;
    } else {
      Page.captions.set(element, { kind, text });
    }
  },

  // Writes the captions set since the last time, each that differs from what the page shows. The
  // browser shows them once the program waits for the page's next event, and they are written
  // then at the latest. They are also written as a window is shown, right after its load: the
  // window's timers count from its load, and its captions are then on the page as near as
  // possible to that moment, before the work of showing it and whatever pause the browser makes.
  writeCaptions() {
    Page.captions.forEach(({ kind, text }, element) => {
      if (Page.written(element, kind) === text)
        return;
      if (kind === 4 || kind === 5)
        element.lastChild.data = text;
      else
        element.textContent = text;
    });
    Page.captions.clear();
  },

  // A combo box's list, as its items' texts.
  items(id, index) {
    return Page.control(id, index).control.combo_.items;
  },

  addItem(id, index, item) {
    Page.items(id, index).push(item);
  },

  // Puts a control back to its record: text, items, ticks, enabled and locked states, colour.
  reset(id, index, text, items, enabled, locked, colour) {
    const { element, control, kind } = Page.control(id, index);
    if (kind === 3) {
      control.combo_.items = items;
      // A locked combo box still opens its list, which a read-only input would not, but keeps its
      // text whatever is typed or picked.
      control.combo_.kept = locked ? text : null;
      control.setAttribute('aria-readonly', String(Boolean(locked)));
    }
    // What is already as the record has it is left alone: a window loaded again and again, as the
    // progress window is, would otherwise have the browser lay out and paint it all anew each time.
    if (Page.text(id, index) !== text)
      Page.setText(id, index, text);
    if (kind === 4 || kind === 5) {
      control.checked = false;
      control.indeterminate = false;
    }
    if (control.disabled !== !enabled)
      Page.setEnabled(id, index, enabled);
    if (kind === 1)
      control.readOnly = locked;
    if (element.style.color !== colour)
      element.style.color = colour;
  },

  setEnabled(id, index, enabled) {
    const { element, control, kind } = Page.control(id, index);
    control.disabled = !enabled;
    if (kind === 3)
      element.querySelector('button').disabled = !enabled;
  },
});
