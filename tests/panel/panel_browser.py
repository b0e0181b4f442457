#!/usr/bin/python3
"""The panel in a real headless Chromium against the real program and the simulators.

Usage: panel_browser.py BIN_DIR SCREENSHOT_DIR
Exits 77 (skipped) when Chromium, its driver or Selenium is missing.
"""
import json
import os
import re
import shutil
import socket
import subprocess
import sys
import tempfile
import threading
import time

SKIP = 77
try:
    from selenium import webdriver
    from selenium.webdriver.chrome.service import Service
    from selenium.webdriver.common.by import By
    from selenium.webdriver.support.ui import WebDriverWait
except ImportError:
    print("selenium is not installed: skipped")
    sys.exit(SKIP)

CHROMIUM = shutil.which("chromium")
DRIVER = shutil.which("chromedriver")
if not CHROMIUM or not DRIVER:
    print("chromium or chromedriver is not installed: skipped")
    sys.exit(SKIP)

BIN, SHOTS = sys.argv[1], sys.argv[2]
PASSWORD = "browser test pw"
HOSTILE = "<img src=x onerror=alert(1)>"
WAIT = 60


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def first_port(process, name):
    line = process.stdout.readline().decode()
    match = re.search(r":(\d+)\s*$", line)
    if not match:
        raise SystemExit(f"{name} did not start: {line!r}")
    return int(match.group(1))


class Player:
    """A simulated game client typing on its standard input; keeps what it receives."""

    def __init__(self, port, address, name):
        self.lines = []
        self.process = subprocess.Popen(
            [os.path.join(BIN, "vornic-client-sim"), "--port", str(port), "--bind", address,
             "--name", name, "--stay", "--stdin"],
            stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
        threading.Thread(target=self._read, daemon=True).start()

    def _read(self):
        for raw in self.process.stdout:
            self.lines.append(raw.decode("utf-8", "replace"))

    def type(self, line):
        self.process.stdin.write((line + "\n").encode())
        self.process.stdin.flush()

    def saw(self, text):
        return any(text in line for line in self.lines)


def until(condition, what, timeout=WAIT):
    deadline = time.time() + timeout
    while time.time() < deadline:
        try:
            if condition():
                return
        except Exception:  # the page may be re-rendering
            pass
        time.sleep(0.2)
    raise SystemExit("timed out waiting for " + what)


TABS = ("chatroom", "monitor", "tourney", "chat-settings", "debug")

# Everything a thumb taps that is in sight, and its height; checkboxes count by their labels.
TAP_TARGETS = """
const small = [];
const targets = document.querySelectorAll(
    'button, select, input, #players li, label.check');
for (const el of targets) {
  if (el.type === 'checkbox' && el.closest('label.check')) continue;
  const r = el.getBoundingClientRect();
  if (r.width === 0 && r.height === 0) continue;
  if (el.closest('dialog') && !el.closest('dialog[open]')) continue;
  if (r.height < 43.5) small.push((el.id || el.textContent.trim().slice(0, 24)) + ' ' + r.height);
}
return small;
"""

# Cells and captions that a narrow screen broke over more than one line.
BROKEN_WORDS = """
const broken = [];
for (const el of document.querySelectorAll('td.address, #rounds th')) {
  if (!el.textContent || el.getClientRects().length === 0) continue;
  const range = document.createRange();
  range.selectNodeContents(el);
  const tops = new Set(Array.from(range.getClientRects()).map((r) => Math.round(r.top)));
  if (tops.size > 1) broken.push(el.textContent);
}
return broken;
"""


def in_view(driver, element):
    return driver.execute_script(
        "const r = arguments[0].getBoundingClientRect();"
        "return r.top >= 0 && r.bottom <= window.innerHeight && r.height > 0;", element)


def check_tabs(driver, width):
    """Every tab at this width: no sideways overflow, tap targets of 44 px, whole words."""
    for tab in TABS:
        driver.find_element(By.CSS_SELECTOR, f"#tabs [data-tab={tab}]").click()
        until(lambda: driver.find_element(By.ID, tab).is_displayed(), "the tab " + tab)
        page = driver.execute_script("return document.documentElement.scrollWidth")
        view = driver.execute_script("return window.innerWidth")
        driver.save_screenshot(os.path.join(SHOTS, f"panel-{width}-{tab}.png"))
        if tab == "tourney":
            driver.execute_script("document.getElementById('rounds').scrollIntoView()")
            driver.save_screenshot(os.path.join(SHOTS, f"panel-{width}-rounds.png"))
            driver.execute_script("window.scrollTo(0, 0)")
        assert page <= view, f"{tab} at {width} px: the page is {page} px wide"
        small = driver.execute_script(TAP_TARGETS)
        assert not small, f"{tab} at {width} px: tap targets under 44 px: {small}"
        broken = driver.execute_script(BROKEN_WORDS)
        assert not broken, f"{tab} at {width} px: broken over lines: {broken}"
    driver.find_element(By.CSS_SELECTOR, "#tabs [data-tab=chatroom]").click()


def dialog_open(driver):
    return driver.execute_script("return document.getElementById('ask').open")


def main():
    os.makedirs(SHOTS, exist_ok=True)
    work = tempfile.mkdtemp(prefix="vornic-panel-")
    processes = []
    driver = None
    try:
        shutil.copy(os.path.join(BIN, "ladders.ini"), work)
        settings = os.path.join(work, "settings.ini")
        # Hosting needs a player name and a room name.
        with open(settings, "w", encoding="cp1252", newline="") as f:
            f.write("[SOFTWARE\\TavixChat]\r\npName=Director\r\ncName=Panel Room\r\n")
        host = os.path.join(BIN, "vornic-host")
        subprocess.run([host, "--settings", settings, "--set-panel-password"],
                       input=(PASSWORD + "\n").encode(), check=True, timeout=60)
        with open(settings, encoding="cp1252") as f:
            assert PASSWORD not in f.read(), "the password itself was stored"

        lobby = subprocess.Popen([os.path.join(BIN, "vornic-lobby-sim"), "--port", "0"],
                                 stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        processes.append(lobby)
        lobby_port = first_port(lobby, "the lobby simulator")
        chat_port, panel_port = free_port(), free_port()
        room_log = open(os.path.join(work, "room.log"), "wb")
        room = subprocess.Popen(
            [host, "--headless", "--host", "--settings", settings, "--data-dir", work,
             "--lobby-host", "127.0.0.1", "--lobby-port", str(lobby_port),
             "--chat-port", str(chat_port), "--panel", str(panel_port)],
            stdin=subprocess.DEVNULL, stdout=room_log, stderr=subprocess.STDOUT)
        processes.append(room)
        url = f"http://127.0.0.1:{panel_port}/"

        options = webdriver.ChromeOptions()
        options.binary_location = CHROMIUM
        for argument in ("--headless=new", "--no-sandbox", "--disable-gpu",
                         "--disable-dev-shm-usage", "--disable-background-networking",
                         "--disable-component-update", "--no-first-run",
                         "--user-data-dir=" + os.path.join(work, "chromium"),
                         "--window-size=1280,900"):
            options.add_argument(argument)
        # The network log shows what the page's event stream is.
        options.set_capability("goog:loggingPrefs", {"performance": "ALL"})
        driver = webdriver.Chrome(service=Service(DRIVER), options=options)
        driver.set_page_load_timeout(WAIT)
        def login_form():
            if room.poll() is not None:
                with open(os.path.join(work, "room.log"), "rb") as log:
                    raise SystemExit("the host ended (status %d): %s"
                                     % (room.returncode, log.read().decode("cp1252")[-2000:]))
            return driver.get(url) is None and driver.find_element(By.ID, "password").is_displayed()

        until(login_form, "the login form")

        def log_in(password):
            driver.find_element(By.ID, "password").send_keys(password)
            driver.find_element(By.CSS_SELECTOR, "#login-form button").click()

        # A wrong password is refused.
        log_in("wrong")
        until(lambda: "wrong password" in driver.find_element(By.ID, "login-error").text,
              "the refusal")
        log_in(PASSWORD)
        until(lambda: driver.find_element(By.ID, "panel").is_displayed(), "the panel")
        until(lambda: "Close" in driver.find_element(By.ID, "host-button").text, "the open room")
        # The tab names the room's state; the page has its icon.
        until(lambda: driver.title.startswith("Room open, 0 players"), "the room in the title")
        assert driver.execute_script(
            "return document.querySelector('link[rel=icon]').getAttribute('href')") == "favicon.svg"
        icon = ("const done = arguments[arguments.length - 1];"
                "fetch('/favicon.svg').then(r => done(r.status + ' ' + r.headers.get('content-type')),"
                " () => done(''));")
        assert driver.execute_async_script(icon) == "200 image/svg+xml"
        # Host/Close is not the first button of the bar.
        first = driver.find_element(By.CSS_SELECTOR, "#chatroom .toolbar button")
        assert first.get_attribute("id") != "host-button", "Close is the first button"
        # The live updates come over the page's EventSource, from the panel's own HTTP server.
        def event_streams():
            found = []
            for entry in driver.get_log("performance"):
                message = json.loads(entry["message"])["message"]
                params = message.get("params", {})
                if (message.get("method") == "Network.responseReceived"
                        and params.get("response", {}).get("url", "").endswith("/api/events")):
                    found.append((params.get("type"), params["response"].get("mimeType")))
            return found
        streams = event_streams()
        assert ("EventSource", "text/event-stream") in streams, f"event streams seen: {streams}"

        # A simulated player joins and chats; the hostile name shows as text.
        bob = Player(chat_port, "127.0.0.21", "Bob")
        hostile = Player(chat_port, "127.0.0.22", HOSTILE[:20])
        processes += [bob.process, hostile.process]
        players = lambda: driver.find_elements(By.CSS_SELECTOR, "#players li")
        until(lambda: len(players()) == 3, "two players in the list")
        until(lambda: driver.title.startswith("Room open, 2 players"), "the players in the title")
        # Close with players seated asks first; Cancel keeps the room.
        driver.find_element(By.ID, "host-button").click()
        until(lambda: dialog_open(driver), "the question before Close")
        assert "2 players" in driver.find_element(By.ID, "ask-text").text
        driver.find_element(By.ID, "ask-cancel").click()
        until(lambda: not dialog_open(driver), "the question to go")
        time.sleep(0.5)  # a wrongly sent close would show by now
        assert "Close" in driver.find_element(By.ID, "host-button").text
        assert len(players()) == 3
        assert any(HOSTILE[:20] in p.text for p in players()), "the hostile name as text"
        assert not driver.find_elements(By.CSS_SELECTOR, "#players img, #transcript img")
        bob.type("say good evening")
        until(lambda: "good evening" in driver.find_element(By.ID, "transcript").text,
              "the player's chat")

        # The operator's own hostile line is text too.
        box = driver.find_element(By.ID, "input")
        box.send_keys(HOSTILE + "\n")
        until(lambda: HOSTILE in driver.find_element(By.ID, "transcript").text, "the own line")
        assert not driver.find_elements(By.CSS_SELECTOR, "#transcript img")

        # Whisper to Bob.
        [p for p in players() if p.text.startswith("Bob") or "Bob" in p.text][0].click()
        box.send_keys("psst Bob")
        driver.find_element(By.ID, "whisper").click()
        until(lambda: bob.saw("psst Bob"), "the whisper at Bob")

        # Rule 1 edited in the page answers "+rules" to a player.
        driver.find_element(By.CSS_SELECTOR, "#tabs [data-tab=tourney]").click()
        rule = driver.find_element(By.CSS_SELECTOR, "[data-name='cRules 1']")
        rule.clear()
        rule.send_keys("No mulligans on the front nine\t")
        until(lambda: driver.find_element(By.ID, "toast").text == "Saved", "Saved for the rule")
        stored_rule = ("const done = arguments[arguments.length - 1];"
                       "fetch('/api/state').then(r => r.json())"
                       ".then(s => done(s.settings.rules[0].value), () => done(''));")
        until(lambda: driver.execute_async_script(stored_rule)
              == "No mulligans on the front nine", "the rule in the host")
        bob.type("say +rules")
        try:
            until(lambda: bob.saw("No mulligans on the front nine"), "+rules with the new rule")
        except SystemExit:
            print("Bob received:", "".join(bob.lines[-8:]))
            print("rule 1 in the page:", rule.get_attribute("value"))
            raise
        driver.find_element(By.CSS_SELECTOR, "#tabs [data-tab=chatroom]").click()

        # A request the host refuses says what failed.
        driver.find_element(By.CSS_SELECTOR, "#tabs [data-tab=chat-settings]").click()
        size = driver.find_element(By.CSS_SELECTOR, "[data-font-slot='0'] [data-font-part=size]")
        size.clear()
        size.send_keys("999\t")
        until(lambda: driver.find_element(By.ID, "message-text").text
              .startswith("Saving the font failed: "), "the failure's message")
        until(lambda: driver.find_element(By.ID, "toast").text == "Not saved", "Not saved")
        driver.find_element(By.ID, "message-ok").click()

        # A ban to show in the IP monitor's ban list, from the address console of the API.
        ban_address = ("const done = arguments[arguments.length - 1];"
                       "fetch('/api/ban-address', {method: 'POST', headers: {'Content-Type':"
                       " 'application/json'}, body: JSON.stringify({address: '127.0.0.113',"
                       " duration: '2h', reason: 'testing the rows'})}).then(r => done(r.status));")
        assert driver.execute_async_script(ban_address) == 200

        # Every tab at desktop and at phone width, once the failure's note has gone.
        until(lambda: not driver.find_element(By.ID, "toast").is_displayed(), "the note to go")
        check_tabs(driver, 1280)
        driver.save_screenshot(os.path.join(SHOTS, "panel-1280.png"))
        driver.set_window_size(375, 812)
        until(lambda: driver.execute_script("return window.innerWidth") <= 400, "the narrow window")
        check_tabs(driver, 375)
        assert "more" in driver.find_element(By.ID, "tabs-bar").get_attribute("class"), \
            "no hint that more tabs are out of sight"
        # Choosing a player for a whisper keeps the input in sight.
        box = driver.find_element(By.ID, "input")
        driver.execute_script("arguments[0].scrollIntoView({block: 'start'})", box)
        bob_row = [p for p in players() if "Bob" in p.text][0]
        assert in_view(driver, bob_row), "the player list is out of sight of the input"
        bob_row.click()
        assert in_view(driver, box), "choosing a player moved the input out of sight"
        assert in_view(driver, driver.find_element(By.ID, "whisper"))
        driver.save_screenshot(os.path.join(SHOTS, "panel-375.png"))
        # The ban question fits the phone and its buttons suit a thumb; Cancel bans nobody.
        driver.find_element(By.ID, "ban").click()
        until(lambda: dialog_open(driver), "the ban question on the phone")
        driver.find_element(By.CSS_SELECTOR, "#ban-duration option[value='typed']").click()
        driver.save_screenshot(os.path.join(SHOTS, "panel-375-ban.png"))
        small = driver.execute_script(TAP_TARGETS)
        assert not small, f"the ban question's targets under 44 px: {small}"
        assert driver.execute_script("return document.documentElement.scrollWidth") <= 375
        driver.find_element(By.ID, "ask-cancel").click()
        until(lambda: not dialog_open(driver), "the ban question to go")
        driver.set_window_size(1280, 900)
        until(lambda: driver.execute_script("return window.innerWidth") >= 1200, "the wide window")

        # Kick the hostile player, ban Bob.
        [p for p in players() if HOSTILE[:20] in p.text][0].click()
        driver.find_element(By.ID, "kick").click()
        until(lambda: len(players()) == 2, "the kick")
        [p for p in players() if "Bob" in p.text][0].click()
        # Ban asks first, with a duration and a reason; Cancel bans nobody.
        driver.find_element(By.ID, "ban").click()
        until(lambda: dialog_open(driver), "the ban question")
        driver.find_element(By.ID, "ask-cancel").click()
        time.sleep(0.5)  # a wrongly sent ban would show by now
        assert len(players()) == 2, "a cancelled ban banned"
        driver.find_element(By.ID, "ban").click()
        until(lambda: dialog_open(driver), "the ban question again")
        assert "Bob" in driver.find_element(By.ID, "ask-title").text
        driver.find_element(By.CSS_SELECTOR, "#ban-duration option[value='1d']").click()
        driver.find_element(By.ID, "ban-reason").send_keys("flooding\n")
        until(lambda: len(players()) == 1, "the ban")
        driver.find_element(By.CSS_SELECTOR, "#tabs [data-tab=monitor]").click()
        until(lambda: "127.0.0.21" in driver.find_element(By.ID, "bans").text, "the ban list")
        bans = driver.find_element(By.ID, "bans").text
        assert "flooding" in bans and "Never" not in bans.split("127.0.0.21")[1], bans
        # Remove All asks first too.
        driver.find_element(By.ID, "remove-all-bans").click()
        until(lambda: dialog_open(driver), "the question before Remove All")
        driver.find_element(By.ID, "ask-cancel").click()
        time.sleep(0.5)
        assert "127.0.0.21" in driver.find_element(By.ID, "bans").text

        # Log out, then five wrong passwords lock this address out.
        driver.find_element(By.ID, "logout").click()
        until(lambda: driver.find_element(By.ID, "password").is_displayed(), "the logout")
        # Each refusal is awaited: the login form clears its message on every submit.
        for _ in range(5):
            log_in("wrong")
            until(lambda: "wrong password" in driver.find_element(By.ID, "login-error").text,
                  "a refusal")
        log_in(PASSWORD)
        until(lambda: "too many failed logins" in driver.find_element(By.ID, "login-error").text,
              "the lockout")
        assert not driver.find_element(By.ID, "panel").is_displayed()
        print("browser checks passed; screenshots in", SHOTS)
    finally:
        if driver:
            driver.quit()
        for process in processes:
            process.terminate()
        for process in processes:
            try:
                process.wait(timeout=10)
            except subprocess.TimeoutExpired:
                process.kill()
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
