"use strict";
// The instrument console: one control for each slot of the object mirel publishes as
// "eyeOneConnector". It is also the worked example of the bridge for pages of the web application.
//
// How the bridge works:
//  - mirel injects qt.webChannelTransport into the pages of the start page's site (and of the
//    origins in its TrustedOrigins setting), never into others; qwebchannel.js (a Qt resource,
//    so no server needs to serve it) turns it into proxy objects.
//  - Every slot answers asynchronously: pass a callback as the last argument. Device slots run
//    on mirel's instrument thread one after another, so their answers come in call order.
//  - doCalibrate() and doOneScan() wait up to 60 s for the instrument's button before they
//    answer; the bridge still answers other calls meanwhile, and the page must stay usable.

// Resolves with the bridge object, or with null when the page is not inside mirel.
const bridgeReady = new Promise(resolve => {
  if (typeof qt === "undefined" || !qt.webChannelTransport) {
    resolve(null);
    return;
  }
  new QWebChannel(qt.webChannelTransport, channel => resolve(channel.objects.eyeOneConnector || null));
});

// The slots that answer only after the button is pressed (or 60 s have passed).
const BUTTON_SLOTS = new Set(["doCalibrate", "doOneScan"]);

// The four lines of getDeviceInfo(), in order. Each line is "\n", the label padded with spaces
// to a fixed column, then the value.
const REPORT_LABELS = ["SERIAL_NUMBER", "MEASUREMENT_MODE", "LAST_ERROR", "AVAILABLE_MEASUREMENT_MODES"];
const REPORT_VALUE_COLUMN = "AVAILABLE_MEASUREMENT_MODES: ".length;

// Bars are drawn against this density; higher values fill the bar.
const BAR_FULL_DENSITY = 3;
const MAX_CALL_ROWS = 40;

const $ = id => document.getElementById(id);

// Calls a slot and resolves with its answer. Rejects when the page is not inside mirel or the
// slot does not exist (an older mirel).
async function call(name, ...args) {
  const bridge = await bridgeReady;
  if (!bridge) throw new Error("not inside mirel");
  if (typeof bridge[name] !== "function") throw new Error(`no slot ${name}`);
  const waitsForButton = BUTTON_SLOTS.has(name);
  if (waitsForButton) buttonWaitStarted(name);
  const started = performance.now();
  try {
    const answer = await new Promise(resolve => bridge[name](...args, resolve));
    addCallRow(name, args, answer, performance.now() - started);
    return answer;
  } finally {
    if (waitsForButton) buttonWaitEnded(name);
  }
}

// "C|M|Y|K" densities, each written "%f" (e.g. "0.500000|1.250000|0.000000|-0.100000"), as
// four numbers; null when the answer has another shape.
function parseDensities(line) {
  const parts = String(line).split("|");
  if (parts.length !== 4 || !parts.every(part => /^-?\d+\.\d{6}$/.test(part))) return null;
  return parts.map(Number);
}

// The getDeviceInfo() report as {label: value}; null when it is not the four expected lines.
function parseReport(text) {
  const lines = String(text).split("\n");
  if (lines.shift() !== "" || lines.length !== REPORT_LABELS.length) return null;
  const report = {};
  for (const [index, line] of lines.entries()) {
    const label = REPORT_LABELS[index];
    if (!line.startsWith(label + ":") || !/^ *$/.test(line.slice(label.length + 1, REPORT_VALUE_COLUMN)))
      return null;
    report[label] = line.slice(REPORT_VALUE_COLUMN);
  }
  return report;
}

// How each answer is shown, given the answer and the call's arguments. The self-test goes through these too, so it also checks the page.
const show = {
  isConnected(connected) {
    $("connected-value").textContent = connected ? "yes" : "no";
    const state = $("connection");
    state.className = "state " + (connected ? "connected" : "disconnected");
    state.textContent = connected ? "Instrument connected" : "No instrument";
  },
  Connected(connected) { show.isConnected(connected); },
  getDeviceID(serial) {
    $("serial-value").textContent = serial || "(none)";
    if (serial) $("connection").textContent = "Instrument " + serial;
  },
  getOption(text, key) { $("option-value").textContent = `${key}: ${text === "" ? "(empty)" : text}`; },
  getDeviceInfo(text) {
    const report = parseReport(text);
    const entries = report ? Object.entries(report) : [["unexpected answer", text]];
    $("report").replaceChildren(...entries.flatMap(([label, value]) => [
      Object.assign(document.createElement("dt"), { textContent: label }),
      Object.assign(document.createElement("dd"), { textContent: value === "" ? "(empty)" : value }),
    ]));
  },
  doCalibrate(result) { showCalibration(result); },
  doCalibrateNow(result) { showCalibration(result); },
  doOneScan(line) { showDensities(line); },
  doOneScanNow(line) { showDensities(line); },
  setIni(answer) { $("ini-value-answer").textContent = answer; },
};

// Calls a slot and shows its answer; an exception is shown in the calls table and passed on.
async function run(name, ...args) {
  try {
    const answer = await call(name, ...args);
    show[name](answer, ...args);
    return answer;
  } catch (error) {
    addCallRow(name, args, "⚠ " + error.message, null);
    throw error;
  }
}

function showCalibration(result) {
  const value = $("calibration-value");
  value.textContent = result;
  value.className = result === "DONE" ? "good" : "bad";
}

function showDensities(line) {
  $("scan-line").textContent = line;
  const densities = parseDensities(line);
  document.querySelectorAll("#bars .bar").forEach((bar, index) => {
    const density = densities ? densities[index] : NaN;
    const share = Math.min(Math.max(density / BAR_FULL_DENSITY, 0), 1);
    bar.querySelector(".fill").style.height = (Number.isNaN(share) ? 0 : share * 100) + "%";
    bar.querySelector("b").textContent = Number.isNaN(density) ? "–" : density.toFixed(2);
  });
}

// Shows the "press the button" banner while at least one button wait runs.
const buttonWaits = new Map();
function buttonWaitStarted(name) {
  buttonWaits.set(name, (buttonWaits.get(name) || 0) + 1);
  updateWaitingBanner();
}
function buttonWaitEnded(name) {
  const count = buttonWaits.get(name) - 1;
  if (count > 0) buttonWaits.set(name, count);
  else buttonWaits.delete(name);
  updateWaitingBanner();
}
function updateWaitingBanner() {
  $("waiting").hidden = buttonWaits.size === 0;
  $("waiting-what").textContent = [...buttonWaits.keys()].map(name => name + "()").join(", ");
}

function addCallRow(name, args, answer, milliseconds) {
  const row = document.createElement("tr");
  const shownArgs = args.map(arg => JSON.stringify(arg)).join(", ");
  const cells = [`${name}(${shownArgs})`, JSON.stringify(answer),
                 milliseconds === null ? "" : Math.round(milliseconds)];
  for (const text of cells) {
    const cell = document.createElement("td");
    cell.textContent = text;
    row.append(cell);
  }
  row.lastChild.className = "num";
  const table = $("calls");
  table.prepend(row);
  while (table.rows.length > MAX_CALL_ROWS) table.lastChild.remove();
}

function wireControls() {
  for (const button of document.querySelectorAll("button[data-call]")) {
    button.addEventListener("click", async () => {
      button.disabled = true;
      try { await run(button.dataset.call); } catch (error) { /* shown in the calls table */ }
      button.disabled = false;
    });
  }
  $("option-form").addEventListener("submit", event => {
    event.preventDefault();
    run("getOption", $("option-key").value).catch(() => {});
  });
  $("ini-form").addEventListener("submit", event => {
    event.preventDefault();
    run("setIni", $("ini-key").value, $("ini-value").value).catch(() => {});
  });
}

window.mirelConsole = { bridgeReady, run, parseDensities, parseReport };

wireControls();
bridgeReady.then(bridge => {
  if (!bridge) {
    const state = $("connection");
    state.className = "state disconnected";
    state.textContent = "Not inside mirel: no bridge";
    document.querySelectorAll("button").forEach(button => { button.disabled = true; });
    return;
  }
  // The self-test makes each call once itself; otherwise greet with the instrument's state.
  if (!new URLSearchParams(location.search).has("selftest"))
    run("isConnected").then(connected => connected && run("getDeviceID")).catch(() => {});
});
