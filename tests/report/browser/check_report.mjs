// Opens one report.html in headless Chromium and checks what a reader sees:
// the page loads offline (no console error, no page error, no request that
// leaves the file), every chart has drawn marks, and the status and the
// endpoint shown are those of the run's summary.json. Saves a screenshot of
// the whole page.
//
//   node check_report.mjs REPORT.html SUMMARY.json SCREENSHOT.png
//
// Exit status 0 when every check holds, 1 otherwise (the reasons on stderr).
import { chromium } from 'playwright-core';
import { mkdtempSync, readFileSync, rmSync, mkdirSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { dirname, join, resolve } from 'node:path';
import { pathToFileURL } from 'node:url';

const [reportPath, summaryPath, screenshotPath] = process.argv.slice(2);
if (!reportPath || !summaryPath || !screenshotPath) {
  console.error('usage: node check_report.mjs REPORT.html SUMMARY.json SCREENSHOT.png');
  process.exit(2);
}
const summary = JSON.parse(readFileSync(summaryPath, 'utf8'));
const executablePath = process.env.CHROMIUM || '/usr/bin/chromium';

const problems = [];
const allowedSchemes = new Set(['file:', 'data:', 'blob:', 'about:']);

// Chromium writes its profile and crash files under HOME: a throw-away one.
const home = mkdtempSync(join(tmpdir(), 'soilcolumn-browser-'));
process.env.HOME = home;
const started = Date.now();
const browser = await chromium.launch({
  executablePath,
  headless: true,
  env: { ...process.env, HOME: home },
  args: ['--no-sandbox', '--disable-gpu', '--disable-dev-shm-usage', '--no-first-run',
         '--disable-background-networking', '--disable-component-update', '--disable-sync'],
});
try {
  const page = await browser.newPage({ viewport: { width: 1280, height: 900 } });
  page.on('console', (message) => {
    if (message.type() === 'error') problems.push(`console error: ${message.text()}`);
  });
  page.on('pageerror', (error) => problems.push(`page error: ${error.message}`));
  page.on('request', (request) => {
    const url = request.url();
    if (!allowedSchemes.has(new URL(url).protocol)) problems.push(`network request: ${url}`);
  });

  await page.goto(pathToFileURL(resolve(reportPath)).href, { waitUntil: 'load' });

  // Every chart container must end up with an SVG holding drawn marks.
  const chartCount = await page.locator('div.chart').count();
  if (chartCount === 0) problems.push('the page has no chart');
  try {
    await page.waitForFunction(() => {
      const charts = [...document.querySelectorAll('div.chart')];
      return charts.length > 0 && charts.every((chart) =>
        chart.querySelector('svg .role-mark path, svg .role-mark rect, svg .role-mark line, svg .role-mark symbol, svg .role-mark text'));
    }, null, { timeout: 20000 });
  } catch {
    const empty = await page.evaluate(() => [...document.querySelectorAll('div.chart')]
      .filter((chart) => !chart.querySelector('svg .role-mark path, svg .role-mark rect, svg .role-mark line, svg .role-mark symbol, svg .role-mark text'))
      .map((chart) => chart.id));
    problems.push(`charts without drawn marks: ${empty.join(', ')}`);
  }
  const marks = await page.evaluate(() => [...document.querySelectorAll('div.chart')].map((chart) => ({
    id: chart.id,
    marks: chart.querySelectorAll('svg .role-mark path, svg .role-mark rect, svg .role-mark line, svg .role-mark symbol').length,
  })));
  for (const { id, marks: count } of marks) {
    if (count === 0) problems.push(`chart ${id}: no path, rect, line or symbol drawn`);
  }

  // The status shown.
  const shownStatus = await page.locator('#status').getAttribute('data-status');
  const shownText = (await page.locator('#status-value').textContent())?.trim();
  if (shownStatus !== summary.status || shownText !== summary.status) {
    problems.push(`status shown ${shownStatus}/${shownText}, summary.json says ${summary.status}`);
  }

  // The endpoint shown, per substance and face, against summary.json.
  const cells = await page.evaluate(() => [...document.querySelectorAll('td.endpoint-value')].map((cell) => ({
    substance: Number(cell.dataset.substance),
    location: cell.dataset.location,
    value: JSON.parse(cell.dataset.value),
    text: cell.textContent.trim(),
  })));
  const expected = [];
  for (const entry of summary.endpoint?.substances ?? []) {
    for (const location of ['target', 'lower']) {
      if (entry[location]) expected.push({ substance: entry.substance, location, value: entry[location].value_ug_l });
    }
  }
  if (cells.length !== expected.length) {
    problems.push(`endpoint cells shown: ${cells.length}, summary.json has ${expected.length}`);
  }
  for (const want of expected) {
    const cell = cells.find((c) => c.substance === want.substance && c.location === want.location);
    if (!cell) {
      problems.push(`endpoint of substance ${want.substance} at the ${want.location} face not shown`);
    } else if (want.value === null ? cell.value !== null || /\d/.test(cell.text)
                                   : cell.value === null || Math.abs(cell.value - want.value) > 1e-12 * Math.abs(want.value)) {
      problems.push(`endpoint of substance ${want.substance} at the ${want.location} face shown as ` +
                    `${cell.value} (${cell.text}), summary.json says ${want.value}`);
    }
  }

  mkdirSync(dirname(resolve(screenshotPath)), { recursive: true });
  await page.screenshot({ path: screenshotPath, fullPage: true });
  console.log(`${reportPath}: ${marks.length} charts, ${marks.reduce((n, c) => n + c.marks, 0)} marks, ` +
              `status ${shownStatus}, ${cells.length} endpoint cells, screenshot ${screenshotPath}, ` +
              `${((Date.now() - started) / 1000).toFixed(1)} s`);
} finally {
  await browser.close();
  rmSync(home, { recursive: true, force: true });
}

if (problems.length > 0) {
  for (const problem of problems) console.error(`${reportPath}: ${problem}`);
  process.exit(1);
}
