#!/usr/bin/python3
"""The HTML changes view of facet-sim compare in headless chromium, driven by selenium:
the review of the sample edit (examples/Facet-edited.INI) is loaded, a changed cell is
clicked and the panel must show the outcome before and after; unchanged cells are grey
and changed ones are not. The page and a screenshot stay in OUT_DIR.

Usage: compare_test.py FACET_SIM SOURCE_DIR OUT_DIR"""
import os
import subprocess
import sys
import tempfile

from selenium import webdriver
from selenium.webdriver.chrome.options import Options
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By
from selenium.webdriver.support.ui import WebDriverWait

sim, src, out = sys.argv[1:4]
os.makedirs(out, exist_ok=True)
page = os.path.abspath(os.path.join(out, "compare.html"))
run = subprocess.run([sim, "compare", os.path.join(src, "examples/machine/drive_c/Facet/Facet.INI"),
                      os.path.join(src, "examples/Facet-edited.INI"), "--image", os.path.join(src, "examples/machine"),
                      "--models", os.path.join(src, "examples/models.txt"), "--format", "html", "--out", page])
assert run.returncode == 1, f"facet-sim compare exited {run.returncode}"

options = Options()
options.binary_location = "/usr/bin/chromium"
for arg in ("--headless", "--no-sandbox", "--disable-gpu", "--window-size=1400,1000"):
    options.add_argument(arg)
profile = tempfile.TemporaryDirectory(prefix="facet-chromium.")
options.add_argument("--user-data-dir=" + profile.name)
driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
try:
    driver.get("file://" + page)
    WebDriverWait(driver, 60).until(lambda d: d.find_element(By.TAG_NAME, "body").get_attribute("data-check") == "done")

    # The colours of every cell in one call: a call per cell costs a round trip each.
    def backgrounds(selector):
        return driver.execute_script("return Array.prototype.map.call(document.querySelectorAll(arguments[0]),"
                                     "function(td){return getComputedStyle(td).backgroundColor;})", selector)

    same = backgrounds("td.same")
    changed_colours = backgrounds("td[data-x]:not(.same)")
    assert same and changed_colours, f"{len(same)} unchanged and {len(changed_colours)} changed cells"
    grey = set(same)
    assert grey == {"rgb(216, 220, 224)"}, f"unchanged cells are {grey}"
    assert all(c not in grey for c in changed_colours), "a changed cell is grey"

    # The UK business machines in British English lose their own section.
    cell = driver.find_element(By.CSS_SELECTOR, 'td[data-x]:not(.same)[title^="COMMERCIAL / UK / 0809"]')
    assert "k-section" in cell.get_attribute("class").split(), cell.get_attribute("class")
    driver.execute_script("arguments[0].scrollIntoView({block: 'center', inline: 'center'})", cell)
    cell.click()
    panel = driver.find_element(By.ID, "panel")
    assert panel.is_displayed(), "no panel after the click"
    before = panel.find_element(By.CSS_SELECTOR, ".before").text
    after = panel.find_element(By.CSS_SELECTOR, ".after").text
    assert "Section: UK-0809-COMMERCIAL" in before, before
    assert "Section: UK-*-COMMERCIAL" in after, after
    assert "Corvane Warranty (UK)" in before and "Corvane Warranty (UK)" not in after, (before, after)
    changes = [e.text for e in panel.find_elements(By.CSS_SELECTOR, ".chg")]
    assert any("UK-0809-COMMERCIAL" in t for t in changes), changes
    driver.save_screenshot(os.path.join(out, "compare-screenshot.png"))
    print(f"compare view: {len(changed_colours)} changed and {len(same)} unchanged cells; panel before/after shown")
finally:
    driver.quit()
