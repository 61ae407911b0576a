#!/usr/bin/env node
// Runs the Snap7 S7 server on a free loopback port with the areas given on the command line:
//   snap7server.js --area DB:1:<hex> --area MK:0:<hex> --area PE:0:<hex> --area PA:0:<hex>
// Prints "PORT <n>" once it listens; stops on SIGTERM or when standard input closes.
'use strict';
const path = require('path');
const net = require('net');
const snap7 = require(path.join(__dirname, 'node_modules', 'node-snap7'));

const areaCodes = { PE: 0, PA: 1, MK: 2, DB: 5 };
const server = new snap7.S7Server();

const args = process.argv.slice(2);
for (let i = 0; i < args.length; ++i) {
    if (args[i] !== '--area' || i + 1 >= args.length) {
        console.error('usage: snap7server.js --area KIND:INDEX:HEX ...');
        process.exit(2);
    }
    const [kind, index, hex] = args[++i].split(':');
    if (!(kind in areaCodes)) {
        console.error('unknown area kind ' + kind);
        process.exit(2);
    }
    const buffer = Buffer.from(hex || '', 'hex');
    const ok = kind === 'DB' ? server.RegisterArea(areaCodes[kind], Number(index), buffer)
                             : server.RegisterArea(areaCodes[kind], buffer);
    if (!ok) {
        console.error('cannot register ' + args[i]);
        process.exit(2);
    }
}

// Snap7 binds the port itself, so a free one is found first and then handed over; a port
// taken in between makes StartTo fail, and another is tried (bounded).
function freePort() {
    return new Promise((resolve, reject) => {
        const probe = net.createServer();
        probe.once('error', reject);
        probe.listen(0, '127.0.0.1', () => {
            const port = probe.address().port;
            probe.close(() => resolve(port));
        });
    });
}

async function start() {
    for (let attempt = 0; attempt < 20; ++attempt) {
        const port = await freePort();
        server.SetParam(server.LocalPort, port);
        if (server.StartTo('127.0.0.1') !== false) {
            process.stdout.write('PORT ' + port + '\n');
            return;
        }
    }
    console.error('no free port for the Snap7 server');
    process.exit(1);
}

function stop() {
    server.Stop();
    process.exit(0);
}
process.on('SIGTERM', stop);
process.on('SIGINT', stop);
process.stdin.on('end', stop);
process.stdin.resume();
start();
