#!/usr/bin/python3
"""The panel in a real headless Chromium against the real program and the simulators.

Usage: panel_browser.py BIN_DIR SCREENSHOT_DIR
Exits 77 (skipped) when Chromium, its driver or Selenium is missing.
"""
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
                         "--disable-dev-shm-usage", "--window-size=1280,900"):
            options.add_argument(argument)
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

        # A simulated player joins and chats; the hostile name shows as text.
        bob = Player(chat_port, "127.0.0.21", "Bob")
        hostile = Player(chat_port, "127.0.0.22", HOSTILE[:20])
        processes += [bob.process, hostile.process]
        players = lambda: driver.find_elements(By.CSS_SELECTOR, "#players li")
        until(lambda: len(players()) == 3, "two players in the list")
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

        # Screenshots at desktop and phone width.
        driver.save_screenshot(os.path.join(SHOTS, "panel-1280.png"))
        driver.set_window_size(375, 812)
        until(lambda: driver.execute_script("return window.innerWidth") <= 400, "the narrow window")
        width = driver.execute_script("return document.documentElement.scrollWidth")
        driver.save_screenshot(os.path.join(SHOTS, "panel-375.png"))
        assert width <= 375 + 1, f"the page is {width} px wide at 375 px"
        # The chat settings, font rows included, fit the phone's width too.
        driver.find_element(By.CSS_SELECTOR, "#tabs [data-tab=chat-settings]").click()
        until(lambda: len(driver.find_elements(By.CSS_SELECTOR, "#fonts .font-row")) == 5,
              "the font rows")
        width = driver.execute_script("return document.documentElement.scrollWidth")
        driver.execute_script("document.getElementById('fonts').scrollIntoView()")
        driver.save_screenshot(os.path.join(SHOTS, "panel-375-chat-settings.png"))
        assert width <= 375 + 1, f"the chat settings are {width} px wide at 375 px"
        driver.find_element(By.CSS_SELECTOR, "#tabs [data-tab=chatroom]").click()
        driver.set_window_size(1280, 900)

        # Kick the hostile player, ban Bob.
        [p for p in players() if HOSTILE[:20] in p.text][0].click()
        driver.find_element(By.ID, "kick").click()
        until(lambda: len(players()) == 2, "the kick")
        [p for p in players() if "Bob" in p.text][0].click()
        driver.find_element(By.ID, "ban").click()
        until(lambda: len(players()) == 1, "the ban")
        driver.find_element(By.CSS_SELECTOR, "#tabs [data-tab=monitor]").click()
        until(lambda: "127.0.0.21" in driver.find_element(By.ID, "bans").text, "the ban list")

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
