// The panel page. Everything from the host (names, chat, settings) goes into the page as text
// (textContent, option labels, input values), never as markup.
'use strict';

(function () {
  const $ = (id) => document.getElementById(id);
  let state = null;
  let stream = null;
  let loggedIn = false;
  let selectedPlayer = null; // player ID

  function make(tag, text, className) {
    const el = document.createElement(tag);
    if (text !== undefined && text !== null) el.textContent = String(text);
    if (className) el.className = className;
    return el;
  }

  function show(el, visible) {
    el.classList.toggle('hidden', !visible);
  }

  function showMessage(text) {
    $('message-text').textContent = text;
    show($('message'), true);
  }

  // A short note at the foot of the screen: "Saved", or what went wrong.
  let toastTimer = null;
  function toast(text, failed) {
    const box = $('toast');
    box.textContent = text;
    box.classList.toggle('failed', !!failed);
    show(box, true);
    clearTimeout(toastTimer);
    toastTimer = setTimeout(() => show(box, false), failed ? 6000 : 2000);
  }

  // What the operator asked for, in the words a failure message names it by.
  const actionNames = {
    host: 'Host', close: 'Close', say: 'Send', whisper: 'Whisper', kick: 'Kick', ban: 'Ban',
    'ban-address': 'Ban', unban: 'Remove Ban', 'unban-all': 'Remove All', mute: 'Mute',
    announce: 'Announce', 'refresh-pairings': 'Refresh Pairings', clear: 'Clear',
    set: 'Saving the setting', round: 'Saving the round', font: 'Saving the font',
    page: 'Opening the page', logout: 'Log out',
  };

  // Every request says what failed: the host's own reason, its status, or that it did not answer.
  async function call(operation, args) {
    const what = actionNames[operation] || operation;
    let response;
    try {
      response = await fetch('/api/' + operation, {
        method: 'POST',
        headers: { 'Content-Type': 'application/json' },
        credentials: 'same-origin',
        body: JSON.stringify(args || {}),
      });
    } catch (e) {
      showMessage(what + ' failed: the host did not answer. Check that it is still running.');
      return { ok: false, status: 0, body: {} };
    }
    let body = {};
    try { body = await response.json(); } catch (e) { body = {}; }
    if (response.status === 401) {
      loggedOut();
      $('login-error').textContent = what + ' failed: the session has ended; log in again.';
    } else if (!response.ok) {
      showMessage(what + ' failed: ' + (body.error || ('HTTP ' + response.status + ' ' + response.statusText)));
    }
    return { ok: response.ok, status: response.status, body: body };
  }

  // A setting sent to the host: "Saved" when it took it, else the page shows the stored value again.
  async function save(operation, args) {
    const result = await call(operation, args);
    if (result.ok) toast('Saved');
    else {
      toast('Not saved', true);
      if (state) renderSettings();
    }
    return result;
  }

  // Asks before something hard to undo; with banTerms, also how long and why. Resolves to null
  // when cancelled, else to {duration, reason}.
  function ask(title, text, confirmCaption, banTerms) {
    const dialog = $('ask');
    $('ask-title').textContent = title;
    $('ask-text').textContent = text;
    $('ask-ok').textContent = confirmCaption;
    show($('ban-terms'), !!banTerms);
    $('ban-duration').value = '';
    $('ban-typed').value = '';
    $('ban-reason').value = '';
    showTypedDuration();
    return new Promise((resolve) => {
      dialog.onclose = () => {
        dialog.onclose = null;
        if (dialog.returnValue !== 'ok') { resolve(null); return; }
        const choice = $('ban-duration').value;
        resolve({
          duration: choice === 'typed' ? $('ban-typed').value.trim() : choice,
          reason: $('ban-reason').value.trim(),
        });
      };
      dialog.returnValue = '';
      dialog.showModal();
      $('ask-cancel').focus();
    });
  }

  function showTypedDuration() {
    const typed = $('ban-duration').value === 'typed';
    show($('ban-typed'), typed);
    show($('ban-typed-label'), typed);
  }
  $('ban-duration').addEventListener('change', showTypedDuration);

  // Login and the event stream.

  function loggedOut() {
    loggedIn = false;
    if (stream) { stream.close(); stream = null; }
    show($('panel'), false);
    show($('logout'), false);
    show($('login'), true);
    $('password').focus();
  }

  async function loadState() {
    const response = await fetch('/api/state', { credentials: 'same-origin' });
    if (response.status === 401) { loggedOut(); return; }
    state = await response.json();
    loggedIn = true;
    show($('login'), false);
    show($('panel'), true);
    show($('logout'), true);
    renderAll();
    showTabsHint();
  }

  function openStream() {
    if (stream) stream.close();
    const source = new EventSource('/api/events');
    stream = source;
    source.onmessage = (event) => {
      let message;
      try { message = JSON.parse(event.data); } catch (e) { return; }
      handleEvent(message);
    };
    source.onerror = () => {
      // The browser reconnects by itself after a network fault (and the host greets it again);
      // a refusal (the session is gone) closes the stream for good, and the state request tells.
      if (source.readyState !== EventSource.CLOSED || stream !== source) return;
      stream = null;
      if (loggedIn) setTimeout(() => { loadState().then(() => { if (loggedIn && !stream) openStream(); }); }, 3000);
    };
  }

  $('login-form').addEventListener('submit', async (event) => {
    event.preventDefault();
    $('login-error').textContent = '';
    const response = await fetch('/api/login', {
      method: 'POST',
      headers: { 'Content-Type': 'application/json' },
      credentials: 'same-origin',
      body: JSON.stringify({ password: $('password').value }),
    });
    $('password').value = '';
    if (!response.ok) {
      let body = {};
      try { body = await response.json(); } catch (e) { body = {}; }
      $('login-error').textContent = body.error || 'Login failed';
      return;
    }
    openStream();
  });

  $('logout').addEventListener('click', async () => {
    await call('logout');
    loggedOut();
  });

  $('message-ok').addEventListener('click', () => show($('message'), false));

  // Events.

  function handleEvent(message) {
    if (message.type === 'hello') { loadState(); return; }
    if (!state) return;
    switch (message.type) {
      case 'line':
        state.transcript.push(message.line);
        appendLine(message.line);
        break;
      case 'cleared':
        state.transcript = [];
        $('transcript').replaceChildren();
        break;
      case 'players': state.players = message.players; renderPlayers(); break;
      case 'ipMonitor': state.ipMonitor = message.ipMonitor; renderIpMonitor(); break;
      case 'bans': state.bans = message.bans; renderBans(); break;
      case 'status': state.status = message.status; state.summary = message.summary; renderStatus(); break;
      case 'hosting': state.hosting = message.hosting; renderHosting(); break;
      case 'debug':
        state.debug.push(message.line);
        $('debug-lines').append(make('li', message.line));
        break;
      case 'settings': state.settings = message.settings; renderSettings(); break;
      case 'title': state.title = message.title; renderTitle(); break;
      case 'message': showMessage(message.text); break;
      default: break;
    }
  }

  // Rendering.

  function renderAll() {
    renderTitle();
    renderStatus();
    renderHosting();
    $('transcript').replaceChildren();
    state.transcript.forEach(appendLine);
    renderPlayers();
    renderIpMonitor();
    renderBans();
    renderSettings();
    const pages = $('page-item');
    pages.replaceChildren();
    state.pages.forEach((caption, index) => {
      const option = make('option', caption);
      option.value = String(index);
      pages.append(option);
    });
    $('debug-lines').replaceChildren(...state.debug.map((line) => make('li', line)));
  }

  function renderTitle() {
    $('title').textContent = state.title || 'Vornic Host';
  }

  // The browser tab names the room's state, so a glance at the tab bar tells it.
  function renderPageTitle() {
    const seated = Math.max(0, state.players.length - 1);
    const room = {
      open: 'Room open, ' + seated + (seated === 1 ? ' player' : ' players'),
      starting: 'Room starting',
      closing: 'Room closing',
    }[state.hosting.state] || 'No room open';
    document.title = room + ' - Vornic Host';
  }

  function renderStatus() {
    $('summary').textContent = state.summary || '';
    $('status').replaceChildren(...state.status.map((caption) => make('span', caption)));
  }

  function renderHosting() {
    const hosting = state.hosting;
    $('host-button').textContent = hosting.caption;
    $('host-button').disabled = !hosting.enabled;
    $('mute').textContent = hosting.muted ? 'Unmute' : 'Mute';
    $('mute').setAttribute('aria-pressed', hosting.muted ? 'true' : 'false');
    document.querySelectorAll('.identity').forEach((el) => { el.disabled = !hosting.identityInputsEnabled; });
    renderPageTitle();
    // Nothing can be said before a room is open.
    $('send').disabled = !hosting.canSend;
    $('whisper').disabled = !hosting.canSend;
  }

  function applyStyle(el, style) {
    if (!style) return;
    if (style.colour) el.style.color = style.colour;
    if (style.font) el.style.fontFamily = '"' + style.font.replace(/["\\]/g, '') + '", sans-serif';
    if (style.size > 0) el.style.fontSize = style.size + 'pt';
    el.style.fontWeight = style.bold ? 'bold' : 'normal';
    el.style.fontStyle = style.italic ? 'italic' : 'normal';
  }

  function appendLine(line) {
    const view = $('transcript');
    const atEnd = view.scrollHeight - view.scrollTop - view.clientHeight < 40;
    const row = make('div', null, 'line kind-' + line.kind);
    const prefix = make('span', line.prefix, 'prefix');
    applyStyle(prefix, line.prefixStyle);
    const body = make('span', line.body, 'body');
    applyStyle(body, line.bodyStyle);
    row.append(prefix, body);
    view.append(row);
    while (view.childElementCount > 2000) view.firstElementChild.remove();
    if (atEnd) view.scrollTop = view.scrollHeight;
  }

  function renderPlayers() {
    const list = $('players');
    // Redrawn in place: choosing a player must not move the list or the page.
    const scrolled = list.scrollTop;
    list.replaceChildren();
    if (!state.players.some((p) => p.id === selectedPlayer && p.id !== 0)) selectedPlayer = null;
    state.players.forEach((player) => {
      const item = make('li', player.text);
      item.tabIndex = 0;
      item.setAttribute('role', 'option');
      if (player.id === selectedPlayer) item.classList.add('selected');
      if (player.address) item.title = player.address;
      const choose = () => {
        selectedPlayer = player.id === 0 ? null : player.id;
        renderPlayers();
      };
      item.addEventListener('click', choose);
      item.addEventListener('keydown', (e) => { if (e.key === 'Enter' || e.key === ' ') { e.preventDefault(); choose(); } });
      list.append(item);
    });
    list.scrollTop = scrolled;
    renderPageTitle();
  }

  // A table row of [label, value, class]; the label heads the value when the row is a card.
  function cells(values) {
    const row = make('tr');
    values.forEach(([label, value, className]) => {
      const cell = make('td', value, className);
      cell.dataset.label = label;
      row.append(cell);
    });
    return row;
  }

  function renderIpMonitor() {
    $('ip-monitor').replaceChildren(...state.ipMonitor.map((r) => cells([
      ['Name', r.name], ['Address', r.address, 'address'], ['ID', r.id, 'number'], ['Socket', r.socket, 'number'],
    ])));
  }

  function renderBans() {
    $('bans').replaceChildren(...state.bans.map((ban, index) => {
      const row = cells([
        ['Name', ban.name], ['Address', ban.address, 'address'], ['Banned', ban.time],
        ['Expires', ban.expires ? new Date(ban.expires).toLocaleString() : 'Never'], ['Reason', ban.reason],
      ]);
      const label = make('label', null, 'check');
      const box = make('input');
      box.type = 'checkbox';
      box.dataset.row = String(index);
      box.setAttribute('aria-label', 'Select ban ' + (index + 1));
      label.append(box);
      const cell = make('td', null, 'select');
      cell.dataset.label = 'Select';
      cell.append(label);
      row.prepend(cell);
      return row;
    }));
  }

  // Settings: every control sends its value by the stored value's name.

  function fillSelect(select, choices, value) {
    const same = select.options.length === choices.length
      && choices.every((c, i) => select.options[i].value === c);
    if (!same) {
      select.replaceChildren(...choices.map((choice) => {
        const option = make('option', choice === '' ? '\u00a0' : choice);
        option.value = choice;
        return option;
      }));
    }
    if (!choices.includes(value) && value === '') {
      select.selectedIndex = -1;
    } else {
      select.value = value;
    }
  }

  function setControl(el, value) {
    if (document.activeElement === el) return; // do not overwrite what is being typed
    if (el.type === 'checkbox') el.checked = !!value;
    else if (el.tagName === 'SELECT') return;
    else el.value = value;
  }

  function field(container, id, caption, control) {
    const label = make('label', caption);
    label.htmlFor = id;
    control.id = id;
    container.append(label, control);
  }

  function ensureFields(settings) {
    const details = $('details');
    if (details.childElementCount === 0) {
      settings.details.forEach((d, i) => {
        const select = make('select');
        select.dataset.name = 'cDetails ' + (i + 1);
        field(details, 'detail-' + i, d.caption, select);
      });
      settings.detailTexts.forEach((d, i) => {
        const input = make('input');
        input.type = 'text';
        input.dataset.name = 'tDetails ' + (i + 1);
        field(details, 'detail-text-' + i, d.caption, input);
      });
      settings.rules.forEach((r, i) => {
        const input = make('input');
        input.type = 'text';
        input.dataset.name = 'cRules ' + (i + 1);
        field($('rules'), 'rule-' + i, r.caption, input);
      });
      settings.rounds.forEach((round, row) => {
        const tr = make('tr');
        tr.append(make('th', round.caption));
        ['course', 'level', 'holes'].forEach((column) => {
          const select = make('select');
          select.dataset.row = String(row);
          select.dataset.column = column;
          select.setAttribute('aria-label', round.caption + ' ' + column);
          select.addEventListener('change', () => {
            save('round', { row: row, column: column, value: select.value });
          });
          const td = make('td');
          td.dataset.column = column;
          td.dataset.label = column[0].toUpperCase() + column.slice(1);
          td.append(select);
          tr.append(td);
        });
        $('rounds').append(tr);
      });
      settings.options.forEach((o, i) => checkbox($('options'), o.caption, { name: 'cOptions ' + i }));
      settings.logs.forEach((o, i) => checkbox($('logs'), o.caption, { name: 'cLogs ' + i }));
      (settings.colours || []).forEach((c) => {
        const input = make('input');
        input.type = 'color';
        input.dataset.name = c.name;
        field($('colours'), 'colour-' + c.name, c.caption, input);
      });
      (settings.fonts || []).forEach(addFontRow);
      document.querySelectorAll('[data-name]').forEach(bindControl);
    }
  }

  // A font sample's row: face, size, bold and italic, sent together as the window's picker does.
  function addFontRow(f) {
    const row = make('div');
    row.className = 'font-row';
    row.dataset.fontSlot = String(f.slot);
    const caption = make('span', f.caption);
    caption.className = 'font-caption';
    const face = make('input');
    face.type = 'text';
    face.maxLength = 64;
    face.setAttribute('list', 'font-families');
    face.setAttribute('aria-label', f.caption + ' font');
    face.dataset.fontPart = 'font';
    face.placeholder = 'default font';
    const size = make('input');
    size.type = 'number';
    size.min = '0';
    size.max = '200';
    size.step = '0.25';
    size.setAttribute('aria-label', f.caption + ' size');
    size.dataset.fontPart = 'size';
    size.placeholder = 'size';
    row.append(caption, face, size);
    checkbox(row, 'Bold', { fontPart: 'bold' });
    checkbox(row, 'Italic', { fontPart: 'italic' });
    row.addEventListener('change', () => {
      const part = (name) => row.querySelector('[data-font-part="' + name + '"]');
      save('font', {
        slot: f.slot,
        font: part('font').value,
        size: Number(part('size').value) || 0,
        bold: part('bold').checked,
        italic: part('italic').checked,
      });
    });
    $('fonts').append(row);
  }

  // A labelled check box; data goes into its data- attributes (name: a stored value's name).
  function checkbox(container, caption, data) {
    const label = make('label', null, 'check');
    const box = make('input');
    box.type = 'checkbox';
    Object.assign(box.dataset, data);
    label.append(box, document.createTextNode(caption));
    container.append(label);
  }

  function bindControl(el) {
    if (el.dataset.bound) return;
    el.dataset.bound = '1';
    el.addEventListener('change', async () => {
      let value = el.type === 'checkbox' ? (el.checked ? '1' : '0') : el.value;
      if (el.type === 'color') {
        // Stored as 0x00BBGGRR.
        const rgb = parseInt(el.value.slice(1), 16);
        value = String(((rgb >> 16) & 0xff) | (rgb & 0xff00) | ((rgb & 0xff) << 16));
      }
      save('set', { name: el.dataset.name, value: value });
    });
  }

  function named(name) {
    return document.querySelector('[data-name="' + name + '"]');
  }

  function renderSettings() {
    const s = state.settings;
    ensureFields(s);
    const id = s.identity;
    fillSelect($('server'), id.serverChoices, id.server);
    setControl($('operator-name'), id.operatorName);
    setControl($('room-name'), id.roomName);
    setControl($('room-password'), id.password);
    setControl($('locked'), id.locked);
    setControl($('welcome'), id.welcomeMessage);
    s.details.forEach((d, i) => fillSelect(named('cDetails ' + (i + 1)), d.choices, d.value));
    s.detailTexts.forEach((d, i) => setControl(named('tDetails ' + (i + 1)), d.value));
    s.rules.forEach((r, i) => setControl(named('cRules ' + (i + 1)), r.value));
    fillSelect($('type'), s.typeChoices, s.type);
    $('holes-caption').textContent = s.holesCaption || 'Holes';
    document.querySelectorAll('#rounds td[data-column="holes"]').forEach((td) => { td.dataset.label = s.holesCaption || 'Holes'; });
    s.rounds.forEach((round, row) => {
      const choices = { course: s.courseChoices, level: s.levelChoices, holes: s.holesChoices };
      ['course', 'level', 'holes'].forEach((column) => {
        const select = document.querySelector('select[data-row="' + row + '"][data-column="' + column + '"]');
        fillSelect(select, choices[column], round[column]);
      });
    });
    s.options.forEach((o, i) => setControl(named('cOptions ' + i), o.on));
    s.logs.forEach((o, i) => setControl(named('cLogs ' + i), o.on));
    (s.colours || []).forEach((c) => setControl(named(c.name), c.colour));
    (s.fonts || []).forEach((f) => {
      const row = document.querySelector('[data-font-slot="' + f.slot + '"]');
      if (!row) return;
      const part = (name) => row.querySelector('[data-font-part="' + name + '"]');
      setControl(part('font'), f.font);
      setControl(part('size'), f.size > 0 ? f.size : '');
      setControl(part('bold'), f.bold);
      setControl(part('italic'), f.italic);
      const caption = row.querySelector('.font-caption');
      caption.style.fontFamily = f.font ? '"' + f.font.replace(/["\\]/g, '') + '", sans-serif' : '';
      caption.style.fontWeight = f.bold ? 'bold' : 'normal';
      caption.style.fontStyle = f.italic ? 'italic' : 'normal';
    });
    if (s.colours && s.colours.length > 0) $('transcript').style.backgroundColor = s.colours[0].colour;
  }

  // The chatroom's buttons.

  $('host-button').addEventListener('click', async () => {
    if (!state) return;
    if (state.hosting.state === 'idle') { call('host'); return; }
    const seated = state.players.length - 1;
    if (state.hosting.state === 'open' && seated > 0) {
      const text = seated === 1 ? 'The player in it will be disconnected.'
        : 'The ' + seated + ' players in it will be disconnected.';
      if (!await ask('Close the room?', text, 'Close the room')) return;
    }
    call('close');
  });
  $('mute').addEventListener('click', () => call('mute'));
  $('announce').addEventListener('click', () => call('announce', { item: $('announce-item').value }));
  $('refresh-pairings').addEventListener('click', () => call('refresh-pairings'));
  $('clear').addEventListener('click', () => call('clear'));
  $('open-page').addEventListener('click', async () => {
    // The tab opens at once (a later one would be blocked) and gets the address when it comes.
    const tab = window.open('about:blank', '_blank');
    const result = await call('page', { index: Number($('page-item').value) });
    const url = result.ok ? String(result.body.url || '') : '';
    if (tab && /^https?:\/\//i.test(url)) {
      tab.opener = null;
      tab.location.href = url;
    } else if (tab) {
      tab.close();
    }
  });

  $('input-form').addEventListener('submit', async (event) => {
    event.preventDefault();
    const line = $('input').value;
    if (line === '') return;
    const result = await call('say', { line: line });
    if (result.ok) $('input').value = '';
    $('input').focus();
  });
  $('whisper').addEventListener('click', async () => {
    const line = $('input').value;
    if (line === '') return;
    if (selectedPlayer === null) { showMessage('Please Select a Player To Whisper To'); return; }
    const result = await call('whisper', { id: selectedPlayer, line: line });
    if (result.ok) $('input').value = '';
    $('input').focus();
  });
  $('kick').addEventListener('click', () => { if (selectedPlayer !== null) call('kick', { id: selectedPlayer }); });
  $('ban').addEventListener('click', async () => {
    // The player is fixed when the question opens: whoever is chosen later is not meant.
    const id = selectedPlayer;
    const player = state && state.players.find((p) => p.id === id);
    if (id === null || !player) { showMessage('Please Select a Player To Ban'); return; }
    const terms = await ask('Ban ' + player.name + '?', 'Their address will be refused until the ban ends.', 'Ban', true);
    if (!terms) return;
    const args = { id: id, reason: terms.reason };
    if (terms.duration) args.duration = terms.duration;
    call('ban', args);
  });

  $('remove-ban').addEventListener('click', () => {
    const rows = Array.from(document.querySelectorAll('#bans input:checked')).map((b) => Number(b.dataset.row));
    if (rows.length > 0) call('unban', { rows: rows });
  });
  $('remove-all-bans').addEventListener('click', async () => {
    const count = state ? state.bans.length : 0;
    if (count === 0) return;
    const text = count === 1 ? 'Its address may join again.' : 'Their ' + count + ' addresses may join again.';
    if (await ask(count === 1 ? 'Remove the ban?' : 'Remove all ' + count + ' bans?', text, 'Remove All')) call('unban-all');
  });

  document.querySelectorAll('#tabs button').forEach((button) => {
    button.addEventListener('click', () => {
      document.querySelectorAll('#tabs button').forEach((b) => b.classList.toggle('active', b === button));
      document.querySelectorAll('.tab').forEach((tab) => show(tab, tab.id === button.dataset.tab));
      button.scrollIntoView({ block: 'nearest', inline: 'nearest' });
    });
  });

  // "more >" at the end of the tabs while some of them are out of sight.
  function showTabsHint() {
    const tabs = $('tabs');
    $('tabs-bar').classList.toggle('more', tabs.scrollLeft + tabs.clientWidth < tabs.scrollWidth - 2);
  }
  $('tabs').addEventListener('scroll', showTabsHint, { passive: true });
  window.addEventListener('resize', showTabsHint);

  // Start: a live session goes straight to the panel, else the login.
  fetch('/api/state', { credentials: 'same-origin' }).then((response) => {
    if (response.ok) openStream(); else loggedOut();
  }, loggedOut);
})();
