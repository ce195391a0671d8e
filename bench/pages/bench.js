// Shared by the benchmark pages. Times are wall-clock milliseconds, comparable with the
// simulator's journal and the driver's clock (the driver checks how well they agree).
function wallClock() { return performance.timeOrigin + performance.now(); }

// The engine prints page warnings to standard error, plain console.log lines it drops.
function report(tag, value) { console.warn("MIREL-BENCH " + tag + " " + JSON.stringify(value)); }

// mirel publishes "eyeOneConnector", the reference shell "reference"; the name says which ran.
function connectBridge() {
  return new Promise(resolve => new QWebChannel(qt.webChannelTransport, channel => {
    const objects = channel.objects;
    resolve(objects.eyeOneConnector ? { shell: "mirel", object: objects.eyeOneConnector }
                                    : { shell: "reference", object: objects.reference });
  }));
}

function call(object, name, ...args) {
  return new Promise(resolve => object[name](...args, resolve));
}

function sleep(ms) { return new Promise(resolve => setTimeout(resolve, ms)); }

async function runBenchmark(body) {
  try {
    await body(await connectBridge());
  } catch (e) {
    report("error", String(e));
  }
  report("done", true);
}
