"use strict";
// The console's self-test, run when the page URL has the query item "selftest", e.g.
//   console.html?selftest=1&serial=DEMO-0042&densities=0.5,1.25,0,-0.1&calibration=DONE
// It calls every slot once through the console's own controls and checks each answer against
// the instrument the query describes (absent items accept any well-formed answer; calibration
// defaults to DONE). doCalibrate() and doOneScan() need a button press, which the simulator
// gives by itself with MIREL_SIM_PRESS_AFTER_MS. Results are shown on the page and, for
// scripts reading mirel's standard error (console.log is not logged there), warned as
//   MIREL-SELFTEST <slot> ok|fail <answer as JSON>
//   MIREL-SELFTEST-RESULT pass   or   MIREL-SELFTEST-RESULT fail <slot> <slot>...

(() => {
  const query = new URLSearchParams(location.search);
  if (!query.has("selftest")) return;

  const serial = query.get("serial");
  const calibration = query.get("calibration") || "DONE";
  const densities = query.has("densities") ? query.get("densities").split(",").map(Number) : null;
  // The simulator stores densities as 32-bit floats and mirel prints them with "%f".
  const densityLine = densities && densities.map(value => Math.fround(value).toFixed(6)).join("|");
  const iniValue = new Date().toISOString();

  const isSerial = answer => (serial === null ? answer !== "" : answer === serial);
  const isDensityLine = answer =>
    mirelConsole.parseDensities(answer) !== null && (densityLine === null || answer === densityLine);

  // In call order; each slot once. The calibration runs before the scans, as a user would.
  const steps = [
    { slot: "isConnected", expected: "true", check: answer => answer === true },
    { slot: "Connected", expected: "true", check: answer => answer === true },
    { slot: "getDeviceID", expected: serial ?? "a serial number", check: isSerial },
    { slot: "getOption", args: ["SerialNumber"], expected: serial ?? "a serial number", check: isSerial },
    {
      slot: "getDeviceInfo",
      expected: "four report lines" + (serial === null ? "" : `, SERIAL_NUMBER ${serial}`),
      check: answer => {
        const report = mirelConsole.parseReport(answer);
        return report !== null && isSerial(report.SERIAL_NUMBER);
      },
    },
    { slot: "doCalibrateNow", expected: calibration, check: answer => answer === calibration },
    { slot: "doCalibrate", expected: calibration, check: answer => answer === calibration },
    { slot: "doOneScanNow", expected: densityLine ?? "four densities", check: isDensityLine },
    { slot: "doOneScan", expected: densityLine ?? "four densities", check: isDensityLine },
    {
      slot: "setIni", args: ["LastSelfTest", iniValue], expected: `LastSelfTest=${iniValue}`,
      check: answer => answer === `LastSelfTest=${iniValue}`,
    },
  ];

  function addRow(step, ok, answer) {
    const row = document.createElement("tr");
    row.className = ok ? "ok" : "fail";
    for (const text of [step.slot, ok ? "ok" : "fail", JSON.stringify(answer), step.expected]) {
      const cell = document.createElement("td");
      cell.textContent = text;
      row.append(cell);
    }
    document.getElementById("selftest-rows").append(row);
  }

  async function runSelfTest() {
    document.getElementById("selftest").hidden = false;
    const failed = [];
    for (const step of steps) {
      let answer;
      let ok;
      try {
        answer = await mirelConsole.run(step.slot, ...(step.args || []));
        ok = step.check(answer);
      } catch (error) {
        answer = String(error.message);
        ok = false;
      }
      if (!ok) failed.push(step.slot);
      addRow(step, ok, answer);
      console.warn(`MIREL-SELFTEST ${step.slot} ${ok ? "ok" : "fail"} ${JSON.stringify(answer)}`);
    }
    const verdict = document.getElementById("selftest-verdict");
    verdict.textContent = failed.length ? "failed: " + failed.join(", ") : "passed";
    verdict.className = "verdict " + (failed.length ? "bad" : "good");
    console.warn("MIREL-SELFTEST-RESULT " + (failed.length ? "fail " + failed.join(" ") : "pass"));
  }

  runSelfTest();
})();
