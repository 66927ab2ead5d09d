// The combo box as a desktop draws it: a text part that can be typed into, and its own arrow
// button that drops its list down below it, whatever the browser (a text input with a <datalist>
// shows no arrow in some browsers and only while focused in others). The list lives beside the
// windows, so that it may reach outside its window as a desktop's does.
Object.assign(Page, {
  list: null, // the open list: { element, input, highlighted }

  createCombo(key) {
    const element = Page.element('div', 'combo');
    const input = Page.element('input', '', element);
    input.type = 'text';
    input.spellcheck = false;
    input.autocomplete = 'off';
    input.setAttribute('role', 'combobox');
    input.setAttribute('aria-expanded', 'false');
    input.setAttribute('aria-autocomplete', 'none');
    input.setAttribute('aria-controls', 'list' + key);
    input.combo_ = { key, items: [], kept: null };
    const arrow = Page.element('button', '', element);
    arrow.type = 'button';
    arrow.tabIndex = -1;
    arrow.setAttribute('aria-hidden', 'true');
    // The text part keeps the keyboard while the arrow and the list are used, as on a desktop.
    arrow.addEventListener('mousedown', event => event.preventDefault());
    arrow.addEventListener('click', () => {
      input.focus();
      Page.list && Page.list.input === input ? Page.closeList() : Page.openList(input);
    });
    // A locked combo box keeps its text whatever is typed.
    input.addEventListener('beforeinput', event => {
      if (input.combo_.kept !== null)
        event.preventDefault();
    });
    input.addEventListener('input', () => {
      if (input.combo_.kept !== null)
        input.value = input.combo_.kept;
    });
    input.addEventListener('blur', () => {
      if (Page.list && Page.list.input === input)
        Page.closeList();
    });
    return { element, input };
  },

  openList(input) {
    Page.closeList();
    const { key, items } = input.combo_;
    const element = Page.element('div', 'droplist', Page.desk);
    element.id = 'list' + key;
    element.setAttribute('role', 'listbox');
    element.addEventListener('mousedown', event => event.preventDefault());
    items.forEach((item, index) => {
      const option = Page.element('div', '', element);
      option.id = 'list' + key + '_' + index;
      option.setAttribute('role', 'option');
      option.setAttribute('aria-selected', 'false');
      option.textContent = item;
      option.addEventListener('click', () => Page.pick(index));
    });
    const box = Page.deskRect(input.parentElement);
    element.style.left = box.left + 'px';
    element.style.top = box.top + box.height + 'px';
    element.style.minWidth = box.width + 'px';
    element.style.zIndex = ++Page.top;
    input.setAttribute('aria-expanded', 'true');
    Page.list = { element, input, highlighted: -1 };
    Page.highlight(items.indexOf(input.value));
  },

  closeList() {
    if (!Page.list)
      return false;
    const { element, input } = Page.list;
    Page.list = null;
    element.remove();
    input.setAttribute('aria-expanded', 'false');
    input.removeAttribute('aria-activedescendant');
    return true;
  },

  highlight(index) {
    const { element, input } = Page.list;
    const options = element.children;
    if (index < 0 || index >= options.length)
      return;
    for (const option of options)
      option.setAttribute('aria-selected', String(option === options[index]));
    Page.list.highlighted = index;
    input.setAttribute('aria-activedescendant', options[index].id);
    options[index].scrollIntoView({ block: 'nearest' });
  },

  // Picks an item of the open list: it becomes the text, but in a locked combo box.
  pick(index) {
    const input = Page.list.input;
    if (input.combo_.kept === null)
      input.value = input.combo_.items[index];
    Page.closeList();
    input.focus();
  },

  // The keys of a combo box, as on a desktop: Alt+Down, Alt+Up and F4 drop the list down or close
  // it; in the list, Up and Down move, Enter picks and Escape closes the list alone; with the list
  // closed, Up and Down step through the items. Returns whether the key was the combo box's.
  comboKey(event) {
    const input = document.activeElement;
    if (!input || !input.combo_ || input.disabled)
      return false;
    const open = Page.list && Page.list.input === input;
    const vertical = event.key === 'ArrowDown' || event.key === 'ArrowUp';
    let handled = true;
    if (event.key === 'F4' || (event.altKey && vertical))
      open ? Page.closeList() : Page.openList(input);
    else if (open && vertical)
      Page.highlight(Page.list.highlighted + (event.key === 'ArrowDown' ? 1 : -1));
    else if (open && event.key === 'Enter' && Page.list.highlighted >= 0)
      Page.pick(Page.list.highlighted);
    else if (open && event.key === 'Escape')
      Page.closeList();
    else if (vertical && input.combo_.kept === null) {
      const items = input.combo_.items, at = items.indexOf(input.value);
      const next = event.key === 'ArrowDown' ? at + 1 : at - 1;
      if (next >= 0 && next < items.length)
        input.value = items[next];
    } else
      handled = false;
    if (handled)
      event.preventDefault();
    return handled;
  },
});
