#!/usr/bin/python3
"""The HTML branding report in headless chromium, driven as an engineer uses it.

Writes the sample machine's report (and one with a dozen languages, whose grid is wider
than the window), opens it with chromium-driver and checks: the page as the browser built
it (coloured cells with their section names, every thumbnail decoded); expand all and
collapse all; a clicked cell pinned, highlighted and its explanation above every other
layer; the filter narrowed to one model, with that model's own grid; a cell reached with
Tab and opened with Enter; every grid open in print. Screenshots stay in OUT_DIR.

Usage: report_test.py FACET_SIM SOURCE_DIR OUT_DIR
"""
import json
import os
import subprocess
import sys
import tempfile

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys
from selenium.webdriver.support.ui import WebDriverWait

sim, src, out = sys.argv[1:4]
os.makedirs(out, exist_ok=True)
out = os.path.abspath(out)
failures = []


def check(ok, what):
    if not ok:
        failures.append(what)
        print("report test: FAILED: " + what, file=sys.stderr)


def matrix(name, *extra):
    path = os.path.join(out, name)
    args = [sim, "matrix", "--image", os.path.join(src, "examples/machine"), "--models",
            os.path.join(src, "examples/models.txt"), *extra, "--out", path]
    code = subprocess.run(args).returncode
    if code > 1:
        sys.exit("report test: facet-sim matrix exited %d" % code)
    return path


report = matrix("sample-report.html", "--format", "html")
wide = matrix("wide-report.html", "--format", "html", "--languages",
              "0409,0809,040c,0407,0410,0c0a,0413,041d,0414,0406,040b,0415")
rows = json.load(open(matrix("sample-matrix.json", "--format", "json"), encoding="utf-8"))["rows"]

options = webdriver.ChromeOptions()
options.binary_location = "/usr/bin/chromium"
profile = tempfile.TemporaryDirectory(prefix="facet-chromium.")
for arg in ("--headless=new", "--no-sandbox", "--disable-gpu", "--hide-scrollbars", "--window-size=1280,900",
            "--user-data-dir=" + profile.name):
    options.add_argument(arg)
driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
# A browser starved of CPU by a busy machine is given time.
driver.set_page_load_timeout(120)
wait = WebDriverWait(driver, 60)
js = driver.execute_script


def load(path):
    driver.get("file://" + path)
    wait.until(lambda d: js("return document.body.dataset.check") == "done")


def shot(name):
    driver.save_screenshot(os.path.join(out, name))


def visible_rows():
    return js("return Array.prototype.filter.call(document.querySelectorAll('details[data-category] tbody tr'),"
              "function(tr){return tr.checkVisibility();}).length")


def panel_on_top():
    """Whether the points of the panel (centre and near each corner) show the panel itself."""
    return js("""var p=document.getElementById('panel'),b=p.getBoundingClientRect();
        if(getComputedStyle(p).display==='none')return false;
        return [[.5,.5],[.1,.1],[.9,.1],[.1,.9],[.9,.9]].every(function(f){
          var e=document.elementFromPoint(b.left+b.width*f[0],b.top+b.height*f[1]);return !!e&&p.contains(e);});""")


try:
    # The page as the browser built it.
    load(report)
    body = driver.find_element(By.TAG_NAME, "body")
    check(body.get_attribute("data-thumbs") == "18/18", "thumbnails decoded: " + str(body.get_attribute("data-thumbs")))
    colour = body.get_attribute("data-first-cell-color") or ""
    check(colour.startswith("rgb(") and colour != "rgb(255, 255, 255)", "grid cells are not coloured: " + colour)
    uk = driver.find_element(By.CSS_SELECTOR, 'td[title="COMMERCIAL / UK / 0809 en-GB: UK-0809-COMMERCIAL"]')
    check(uk.get_attribute("class") == "c1", "UK-0809-COMMERCIAL is not found by candidate 1")
    check("United Kingdom" in js("return arguments[0].parentNode.cells[0].textContent", uk), "no region name beside UK")

    # Expand all, collapse all.
    grids = "return Array.prototype.map.call(document.querySelectorAll('details[data-category]'),function(d){return d.open;})"
    driver.find_element(By.ID, "expand").click()
    check(all(js(grids)) and len(js(grids)) > 1, "expand all left a grid shut")
    driver.find_element(By.ID, "collapse").click()
    check(not any(js(grids)), "collapse all left a grid open")

    # Every grid open in print, though shut on screen.
    driver.execute_cdp_cmd("Emulation.setEmulatedMedia", {"media": "print"})
    shown = js("return Array.prototype.map.call(document.querySelectorAll('details[data-category]'),function(d){"
               "var t=d.querySelector('table.grid');return t.checkVisibility()&&d.getBoundingClientRect().height>="
               "d.querySelector('summary').getBoundingClientRect().height+t.getBoundingClientRect().height;})")
    check(shown and all(shown), "a shut grid is not printed: %s" % shown)
    driver.execute_cdp_cmd("Emulation.setEmulatedMedia", {"media": ""})

    # A clicked cell: pinned, highlighted, its explanation above the grids' sticky headers,
    # here scrolled to lie under the panel in the report whose grid is wider than the window.
    load(wide)
    driver.find_element(By.ID, "expand").click()
    cell = driver.find_element(By.CSS_SELECTOR, 'details[data-category="COMMERCIAL"] td[data-x]')
    cell.click()
    check("pin" in cell.get_attribute("class").split(), "the clicked cell is not highlighted")
    js("""var p=document.getElementById('panel').getBoundingClientRect(),
        h=document.querySelector('details[data-category="COMMERCIAL"] thead th:last-child').getBoundingClientRect();
        window.scrollBy(0,h.top-(p.top+p.height/2));
        document.querySelector('details[data-category="COMMERCIAL"] .gridwrap').scrollLeft=10000;""")
    header_under = js("""var p=document.getElementById('panel'),b=p.getBoundingClientRect();p.style.visibility='hidden';
        var e=document.elementFromPoint(b.left+b.width/2,b.top+b.height/2);p.style.visibility='';
        return !!e&&!!e.closest('thead');""")
    check(header_under, "the test did not bring a grid's header under the panel")
    check(panel_on_top(), "the explanation panel is covered")
    shot("report-panel.png")
    check(driver.find_element(By.ID, "panel").text.startswith(cell.text), "the panel explains another cell")

    # The filter, by one model's whole name: its rows only, and its own grid.
    load(report)
    model = "Corvane KL-5400 Business #E20"
    expected = len({(r["category"], r["region"].upper()) for r in rows if model in r["model"]})
    expected_cells = len({(r["region"].upper(), r["language"]) for r in rows if model in r["model"]})
    driver.find_element(By.ID, "expand").click()
    total = visible_rows()
    driver.find_element(By.ID, "filter").send_keys(model)
    wait.until(lambda d: d.find_element(By.ID, "shown").text != "")
    check(visible_rows() == expected, "filter %r: %d rows left, expected %d" % (model, visible_rows(), expected))
    view_cells = js("return document.querySelectorAll('#modelview td[data-rows]').length")
    check(view_cells == expected_cells, "model view: %d cells, expected %d" % (view_cells, expected_cells))
    js("document.getElementById('tools').scrollIntoView()")
    own = driver.find_element(By.CSS_SELECTOR, "#modelview td[data-rows]")
    own.click()
    check(panel_on_top() and model in driver.find_element(By.ID, "panel").text,
          "a cell of the model's own grid does not explain that model")
    shot("report-filter.png")
    driver.find_element(By.ID, "filter").send_keys(Keys.CONTROL, "a", Keys.DELETE)
    wait.until(lambda d: d.find_element(By.ID, "shown").text == "")
    check(visible_rows() == total and total > expected, "the cleared filter did not bring every row back")

    # Tab to a cell, Enter opens it.
    load(report)
    driver.find_element(By.ID, "expand").click()
    driver.find_element(By.ID, "filter").click()
    active = None
    for _ in range(60):
        driver.switch_to.active_element.send_keys(Keys.TAB)
        active = driver.switch_to.active_element
        if active.tag_name == "td" and active.get_attribute("data-x") is not None:
            break
    check(active is not None and active.tag_name == "td", "Tab never reached a grid cell")
    active.send_keys(Keys.ENTER)
    check("pin" in active.get_attribute("class").split(), "Enter did not pin the focused cell")
    check(panel_on_top() and driver.find_element(By.ID, "panel").text.startswith(active.text),
          "Enter did not show the focused cell's explanation")
    shot("report-screenshot.png")
finally:
    driver.quit()

if failures:
    sys.exit(1)
print("report test: every check passed; screenshots in " + out)
