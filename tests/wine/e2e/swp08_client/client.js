// Drives the gateway's SW-P-08 endpoint with the npm client: one command a
// line on standard input, one JSON line per result or event on standard
// output. Arguments: host port sources destinations (0 0: the client asks
// for the names, as it does by itself, to learn the size).
const Probel = require("probel-swp-08");
const readline = require("readline");

const [host, port, sources, destinations] = process.argv.slice(2);
const probel = new Probel(host, { port: Number(port), levels: 1, sources: Number(sources),
                                  destinations: Number(destinations) });
const say = (o) => process.stdout.write(JSON.stringify(o) + "\n");

probel.on("crosspoint", (data) => say({ event: "crosspoint", data }));
probel.events.on("connection", (ok) => say({ event: "connection", ok }));
probel.client.on("close", () => say({ event: "closed" }));

readline.createInterface({ input: process.stdin }).on("line", async (line) => {
    const [cmd, ...args] = line.trim().split(/\s+/);
    const n = args.map(Number);
    if (cmd === "interrogate") {
        say({ cmd, result: await probel.interrogate(n[0], n[1], n[2]) });
    } else if (cmd === "route") {
        say({ cmd, result: await probel.route(n[0], n[1], n[2]) });
    } else if (cmd === "burst") {
        // Sent without waiting for any answer.
        for (let i = 0; i < n[0]; i++) probel.route(1, (i * 7) % n[1] + 1, i % n[2] + 1);
        say({ cmd, sent: n[0] });
    } else if (cmd === "names") {
        say({ cmd, sources: probel.sourceNames, destinations: probel.destinationNames });
    } else if (cmd === "state") {
        await probel.getState();
        say({ cmd, tallies: probel.tallies });
    } else if (cmd === "quit") {
        process.exit(0);
    }
});
