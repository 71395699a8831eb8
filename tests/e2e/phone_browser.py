#!/usr/bin/python3
"""A phone's browser on the check-in site: headless Chromium at phone size, driven through WebDriver.

Usage: phone_browser.py CHECKIN_URL GH CODE NAME ART_DIR DRAW_COMMAND

Checks in with GH and CODE and expects NAME greeted; opens the winners page, runs DRAW_COMMAND (which makes
one draw and prints the winner's name as the event database records it) and waits for that name to appear
on the open page; then a second browser with a profile of its own tries the same person and must be refused.
Prints "ok ..." / "FAIL ..." lines; the exit status is the number of failures (at most 100).
"""
import json
import shlex
import subprocess
import sys
import time

from selenium import webdriver
from selenium.common.exceptions import TimeoutException, WebDriverException
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By
from selenium.webdriver.support.ui import WebDriverWait

LIVE_WAIT_S = 5
failures = 0


def check(what, ok):
    global failures
    print(("  ok    " if ok else "  FAIL  ") + what, flush=True)
    if not ok:
        failures += 1


def phone():
    options = webdriver.ChromeOptions()
    options.binary_location = "/usr/bin/chromium"
    for arg in ("--headless=new", "--no-sandbox", "--disable-dev-shm-usage", "--disable-gpu",
                "--no-first-run", "--lang=zh-CN"):
        options.add_argument(arg)
    options.add_experimental_option("mobileEmulation", {
        "deviceMetrics": {"width": 390, "height": 844, "pixelRatio": 2},
        "userAgent": "Mozilla/5.0 (Linux; Android 13; Pixel 7) AppleWebKit/537.36 "
                     "(KHTML, like Gecko) Chrome/120.0 Mobile Safari/537.36"})
    # Response statuses come from the browser's own network log.
    options.set_capability("goog:loggingPrefs", {"performance": "ALL"})
    driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
    driver.set_page_load_timeout(20)
    return driver


def status_of(driver, path):
    """The HTTP status of the last document response whose URL ends with PATH."""
    status = None
    for entry in driver.get_log("performance"):
        message = json.loads(entry["message"])["message"]
        if message.get("method") != "Network.responseReceived":
            continue
        response = message["params"]["response"]
        if message["params"].get("type") == "Document" and response["url"].endswith(path):
            status = response["status"]
    return status


def fill_and_send(driver, url, gh, code, shot=None):
    driver.get(url)
    driver.find_element(By.NAME, "gh").send_keys(gh)
    driver.find_element(By.NAME, "code").send_keys(code)
    if shot:
        driver.save_screenshot(shot)
    driver.get_log("performance")
    driver.find_element(By.CSS_SELECTOR, "button[type=submit]").click()
    WebDriverWait(driver, 10).until(lambda d: d.current_url.endswith("/checkin"))
    WebDriverWait(driver, 10).until(lambda d: d.execute_script("return document.readyState") == "complete")
    return driver.find_element(By.TAG_NAME, "body").text


def main():
    url, gh, code, name, art, draw_command = sys.argv[1:7]
    first = phone()
    try:
        greeting = fill_and_send(first, url, gh, code, f"{art}/phone-checkin.png")
        status = status_of(first, "/checkin")
        check(f"check-in answered {status}", status == 200)
        check(f"the greeting names {name}: {' / '.join(greeting.splitlines()[:2])!r}",
              f"{name}，签到成功" in greeting)
        first.save_screenshot(f"{art}/phone-greeting.png")

        first.find_element(By.LINK_TEXT, "查看中奖名单").click()
        WebDriverWait(first, 10).until(lambda d: d.current_url.endswith("/winners"))
        check("the winners page knows its phone's person", name in first.find_element(By.ID, "me").text)
        rows_before = len(first.find_elements(By.CSS_SELECTOR, "#list li"))
        check("no winners listed before the draw", rows_before == 0)

        drawn = subprocess.run(shlex.split(draw_command), capture_output=True, text=True)
        winner = drawn.stdout.strip()
        if drawn.returncode != 0 or not winner:
            check(f"the draw command gave a winner ({drawn.stderr.strip()!r})", False)
        else:
            started = time.monotonic()
            try:
                WebDriverWait(first, LIVE_WAIT_S, poll_frequency=0.05).until(
                    lambda d: any(e.text == winner for e in d.find_elements(By.CSS_SELECTOR, "#list li .n")))
                check(f"winner {winner} appeared on the open page {time.monotonic() - started:.2f} s after the "
                      "database had it", True)
            except TimeoutException:
                check(f"winner {winner} did not appear on the open page within {LIVE_WAIT_S} s", False)
        first.save_screenshot(f"{art}/phone-winners.png")
    finally:
        first.quit()

    second = phone()
    try:
        answer = fill_and_send(second, url, gh, code)
        status = status_of(second, "/checkin")
        check(f"a second phone for {gh} is answered {status}, expected 409", status == 409)
        check("it is told it checked in on another phone", "另一部手机" in answer)
    finally:
        second.quit()


if __name__ == "__main__":
    try:
        main()
    except WebDriverException as e:
        check(f"browser: {e.msg or e}", False)
    sys.exit(min(failures, 100))
