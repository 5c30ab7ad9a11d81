// Drives the web remote's page in headless Chromium for the browser tests.
//   node web_remote_browser.mjs <scenario> <url>    runs one scenario
//   node web_remote_browser.mjs --serve              runs "<scenario> <url>" lines from stdin
// One browser serves every scenario of a run, each in a fresh context of its own (cookies, storage,
// page clock). A scenario prints what it measured, then "ok" when it saw what it expected or
// "failed: " and why; in serving mode a line END follows each scenario. The test that starts this
// script checks what reached the pipe.

import { chromium } from "playwright-core";
import { connect } from "node:net";
import { createInterface } from "node:readline";

const END = "-- end of scenario --";
const executablePath = process.env.VQ_CHROMIUM || "/usr/bin/chromium";
// The page of the scenario that runs now.
let url;

function fail(message) {
  throw new Error(message);
}

// Waits with Node's own timers, which a page clock does not touch.
async function waitFor(what, check, timeoutMs = 10000) {
  const deadline = Date.now() + timeoutMs;
  let last;
  for (;;) {
    last = await check();
    if (last === true) return;
    if (Date.now() > deadline) fail(`timed out waiting for ${what} (last: ${JSON.stringify(last)})`);
    await new Promise((r) => setTimeout(r, 20));
  }
}

const memoLines = async (page) => (await page.inputValue("#Memo1")).split("\n");
const waitForMemoTop = (page, line) =>
  waitFor(`"${line}" on top of the memo`, async () => {
    const lines = await memoLines(page);
    return lines[0] === line || lines;
  });
// True while something accepts connections on the page's port.
const listening = (pageUrl) =>
  new Promise((resolve) => {
    const { hostname, port } = new URL(pageUrl);
    const socket = connect({ host: hostname, port: Number(port) });
    socket.once("connect", () => {
      socket.destroy();
      resolve(true);
    });
    socket.once("error", () => resolve(false));
  });
const value = (page, id) => page.inputValue(`#${id}`);
const disabled = (page, id) => page.isDisabled(`#${id}`);
// The page has drawn the answer to every request it made.
const idle = (page) =>
  waitFor("the page to be idle", async () => !(await page.evaluate(() => document.body.classList.contains("busy"))));

async function openPage(context) {
  const page = await context.newPage();
  await page.goto(url);
  await idle(page);
  return page;
}

// left, top, width, height of every control, as the page places them.
const layout = {
  btn7: [3, 3, 57, 49], btn8: [79, 3, 57, 49], btn9: [152, 3, 57, 49],
  btn4: [3, 73, 57, 49], btn5: [79, 73, 57, 49], btn6: [151, 73, 57, 49],
  btn1: [3, 144, 57, 49], btn2: [79, 144, 57, 49], btn3: [151, 144, 57, 49],
  btndot: [3, 209, 57, 49], btn0: [79, 209, 57, 49], btnat: [151, 209, 57, 49],
  btnFull: [228, 3, 73, 33], btnplus10: [228, 47, 73, 33], btnminus10: [228, 91, 73, 33],
  btnplus1: [228, 135, 73, 33], btnminus1: [228, 179, 73, 33], btnOut: [228, 223, 73, 33],
  btnPlay: [3, 280, 73, 33], btnSet: [135, 280, 73, 33], btnSend: [220, 280, 83, 73],
  IWEdit1: [3, 329, 205, 25], chnl: [3, 375, 49, 42], level: [64, 375, 49, 42],
  btnRead: [122, 370, 83, 30], btnRecord: [220, 370, 83, 30], btnnext: [131, 408, 65, 25],
  btnback: [228, 408, 65, 25], Memo1: [8, 440, 300, 49],
};
const captions = {
  btn7: "7", btn8: "8", btn9: "9", btn4: "4", btn5: "5", btn6: "6", btn1: "1", btn2: "2", btn3: "3",
  btndot: ".", btn0: "0", btnat: "@", btnFull: "Full", btnplus10: "+10", btnminus10: "-10",
  btnplus1: "+1", btnminus1: "-1", btnOut: "Out", btnPlay: "Play", btnSet: "Set", btnSend: "Send",
  btnRead: "Read", btnRecord: "Record", btnnext: "Next", btnback: "Back",
};

const scenarios = {
  async layout(context) {
    const page = await openPage(context);
    const form = await page.locator("#form").boundingBox();
    if (form.width !== 313 || form.height !== 490) fail(`page is ${form.width} x ${form.height}`);
    const wrong = [];
    for (const [id, [left, top, width, height]] of Object.entries(layout)) {
      const box = await page.locator(`#${id}`).boundingBox();
      const got = [box.x - form.x, box.y - form.y, box.width, box.height].map(Math.round);
      if (got.join() !== [left, top, width, height].join()) wrong.push(`${id} at ${got} instead of ${[left, top, width, height]}`);
    }
    for (const [id, caption] of Object.entries(captions)) {
      const text = (await page.textContent(`#${id}`)).trim();
      if (text !== caption) wrong.push(`${id} says "${text}"`);
    }
    if ((await page.getAttribute("#chnl", "maxlength")) !== "3") wrong.push("channel box takes more than 3");
    if ((await page.getAttribute("#level", "maxlength")) !== "3") wrong.push("level box takes more than 3");
    if (wrong.length) fail(wrong.join("; "));
    if ((await memoLines(page))[0] !== "Connected") fail(`memo: ${await memoLines(page)}`);
  },

  // Click 1, 2, Full: the set goes out and the memo says so.
  async keypad(context) {
    const page = await openPage(context);
    for (const id of ["btn1", "btn2", "btnFull"]) await page.click(`#${id}`);
    await waitForMemoTop(page, "Sent set 12@100");
    if ((await value(page, "chnl")) !== "12") fail(`channel box ${await value(page, "chnl")}`);
    if ((await value(page, "level")) !== "100") fail(`level box ${await value(page, "level")}`);
  },

  // A set marks unsaved changes: Next asks first, and Yes records.
  async unsaved(context) {
    const page = await openPage(context);
    await page.fill("#IWEdit1", "12@50");
    await page.click("#btnSend");
    await waitForMemoTop(page, "Sent set 12@50");
    if ((await value(page, "IWEdit1")) !== "") fail("the command line was not emptied");
    await page.click("#btnnext");
    await waitFor("the question", () => page.isVisible("#confirm"));
    const title = await page.textContent("#confirmTitle");
    const text = await page.textContent("#confirmText");
    if (title !== "Unsaved Changes") fail(`title ${title}`);
    if (text !== "Vq Lighting will need to know if you want to save changes or not. Do you?") fail(`text ${text}`);
    await page.click("#confirmYes");
    await waitForMemoTop(page, "Sent record");
    if (await page.isVisible("#confirm")) fail("the question stayed");
    // Nothing unsaved any more: Next goes out and waits for its reply.
    await page.click("#btnnext");
    await waitForMemoTop(page, "Sent play next");
    if (!(await disabled(page, "btnSend"))) fail("Send stayed enabled during the GO");
  },

  // Read asks the console; the reply file's level lands in the level box.
  async read(context) {
    const page = await openPage(context);
    await page.fill("#chnl", "7");
    await page.click("#btnRead");
    await waitForMemoTop(page, "Sent read 7");
    await waitFor("the level box to show 40", async () => (await value(page, "level")) === "40" || value(page, "level"));
  },

  // A GO without a reply: the page's clock runs the polls out and "No Response" frees the buttons.
  async noresponse(context) {
    const page = await context.newPage();
    await page.clock.install();
    await page.goto(url);
    await idle(page);
    await page.fill("#IWEdit1", "play 4");
    await page.click("#btnSend");
    await waitForMemoTop(page, "Sent play 4");
    for (const id of ["btnSend", "btnnext", "btnback"]) if (!(await disabled(page, id))) fail(`${id} enabled`);
    let ticks = 0;
    while (!(await memoLines(page)).includes("No Response")) {
      if (ticks > 15) fail(`no "No Response" after ${ticks} polls`);
      const polled = page.waitForResponse((r) => r.url().endsWith("/event"), { timeout: 10000 });
      await page.clock.runFor(1000);
      await polled;
      await idle(page);
      ticks += 1;
    }
    if (ticks !== 11) fail(`"No Response" after ${ticks} polls, not 11`);
    await waitForMemoTop(page, "No Response");
    for (const id of ["btnSend", "btnnext", "btnback"]) if (await disabled(page, id)) fail(`${id} still disabled`);
  },

  // The remote program goes away under the page (the test closes its server once the set has
  // arrived): the next clicks say "No Response", and the buttons stay usable.
  async gone(context) {
    const page = await openPage(context);
    for (const id of ["btn1", "btn2", "btnFull"]) await page.click(`#${id}`);
    await waitFor("the remote to be gone", async () => !(await listening(url)) || "still listening");
    await idle(page);
    for (const id of ["btn7", "btnFull"]) {
      await page.click(`#${id}`);
      await idle(page);
      await waitForMemoTop(page, "No Response");
    }
    for (const id of ["btnSend", "btnnext", "btnback"]) if (await disabled(page, id)) fail(`${id} disabled`);
  },

  // A remote too busy to serve: its own words reach the memo.
  async unavailable(context) {
    const page = await openPage(context);
    await page.route("**/event", (route) =>
      route.fulfill({ status: 503, contentType: "text/plain; charset=utf-8", body: "The remote is in use. Try again later.\n" }));
    await page.click("#btn7");
    await waitForMemoTop(page, "The remote is in use. Try again later.");
    const lines = await memoLines(page);
    if (lines[1] !== "Connected") fail(`memo: ${lines}`);
  },

  // The session ends under the page (the test ends it when "record" arrives): the next click
  // loads the page afresh into a new session.
  async expired(context) {
    const page = await openPage(context);
    await page.click("#btn4");
    await page.click("#btnRecord");
    await waitForMemoTop(page, "Sent record");
    await new Promise((r) => setTimeout(r, 300));
    const reloaded = page.waitForNavigation();
    await page.click("#btn5");
    await reloaded;
    await idle(page);
    const lines = await memoLines(page);
    if (lines.join() !== "Connected") fail(`memo of the new session: ${lines}`);
    if ((await value(page, "chnl")) !== "") fail("the old session's channel box came back");
    await page.click("#btn6");
    await waitFor("6 in the channel box", async () => (await value(page, "chnl")) === "6" || value(page, "chnl"));
  },

  // The whole pair: a set from the keypad, then a read of the same channel answered by the console.
  async console(context) {
    const page = await openPage(context);
    for (const id of ["btn1", "btn2", "btnFull"]) await page.click(`#${id}`);
    await waitForMemoTop(page, "Sent set 12@100");
    await page.fill("#level", "");
    await page.click("#btnRead");
    await waitForMemoTop(page, "Sent read 12");
    await waitFor("the level box to show 100", async () => (await value(page, "level")) === "100" || value(page, "level"));
  },

  // Figures for the benchmark, as one line of JSON: the median of 20 fresh page loads (navigation to
  // the first state drawn) and of 20 clicks on Full (click to its answer drawn; the command is on
  // the pipe before the answer leaves the server).
  async bench(context) {
    const median = (xs) => xs.sort((a, b) => a - b)[Math.floor(xs.length / 2)];
    const loads = [];
    let bytes = 0;
    let page;
    for (let i = 0; i < 20; i++) {
      await context.clearCookies();
      if (page) await page.close();
      page = await context.newPage();
      const start = performance.now();
      await page.goto(url);
      await page.waitForFunction(() => document.body.dataset.requests === "1", null, { polling: 1 });
      loads.push(performance.now() - start);
      bytes = await page.evaluate(() =>
        performance.getEntriesByType("navigation").concat(performance.getEntriesByType("resource"))
          .reduce((sum, e) => sum + e.encodedBodySize, 0));
    }
    await page.click("#btn1");
    await page.click("#btn2");
    await idle(page);
    const clicks = [];
    for (let i = 0; i < 20; i++) {
      clicks.push(await page.evaluate(() => new Promise((resolve) => {
        const before = document.body.dataset.requests;
        const start = performance.now();
        const seen = new MutationObserver(() => {
          if (document.body.dataset.requests !== before) {
            seen.disconnect();
            resolve(performance.now() - start);
          }
        });
        seen.observe(document.body, { attributes: true });
        document.getElementById("btnFull").click();
      })));
    }
    await waitForMemoTop(page, "Sent set 12@100");
    console.log(JSON.stringify({ load_ms: median(loads), click_ms: median(clicks), load_bytes: bytes }));
  },
};

async function runScenario(browser, scenario, pageUrl) {
  if (!scenarios[scenario] || !pageUrl) {
    console.log(`failed: usage: <${Object.keys(scenarios).join("|")}> <url>`);
    return false;
  }
  url = pageUrl;
  let context;
  try {
    context = await browser.newContext({ viewport: { width: 400, height: 560 } });
    await scenarios[scenario](context);
    console.log("ok");
    return true;
  } catch (e) {
    console.log(`failed: ${e.message}`);
    return false;
  } finally {
    if (context) await context.close().catch(() => {});
  }
}

async function main() {
  const browser = await chromium.launch({
    executablePath,
    headless: true,
    args: [
      "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
      "--disable-background-networking", "--disable-component-update", "--disable-sync",
    ],
  });
  let passed = true;
  try {
    if (process.argv[2] === "--serve") {
      for await (const line of createInterface({ input: process.stdin })) {
        const [scenario, pageUrl] = line.trim().split(/\s+/);
        if (!scenario) continue;
        await runScenario(browser, scenario, pageUrl);
        console.log(END);
      }
    } else {
      passed = await runScenario(browser, process.argv[2], process.argv[3]);
    }
  } finally {
    await browser.close();
  }
  process.exit(passed ? 0 : 1);
}

main().catch((e) => {
  console.log(`failed: ${e.message}`);
  process.exit(1);
});
