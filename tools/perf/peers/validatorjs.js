// Times validator.js isEmail (default options) over a corpus inside this
// process: one warm-up pass over the first 10,000 addresses, then RUNS timed
// passes over all of them. Writes one verdict a line (1 valid, 0 invalid) and
// prints a RESULT line.
//   node validatorjs.js CORPUS VERDICTS [RUNS]
'use strict';
const fs = require('fs');
const path = require('path');
const isEmail = require(path.join(__dirname, '..', 'node_modules', 'validator')).isEmail;

const [corpusPath, verdictPath, runsArg] = process.argv.slice(2);
const runs = parseInt(runsArg || '5', 10);
const lines = fs.readFileSync(corpusPath, 'utf8').split('\n');
if (lines.length && lines[lines.length - 1] === '') lines.pop();

for (let i = 0; i < Math.min(10000, lines.length); i++) isEmail(lines[i]);

const verdicts = new Uint8Array(lines.length);
const times = [];
for (let r = 0; r < runs; r++) {
  const t0 = process.hrtime.bigint();
  for (let i = 0; i < lines.length; i++) verdicts[i] = isEmail(lines[i]) ? 1 : 0;
  times.push(Number(process.hrtime.bigint() - t0) / 1e9);
}
times.sort((a, b) => a - b);
const median = times[Math.floor(times.length / 2)];
let valid = 0;
for (const v of verdicts) valid += v;
fs.writeFileSync(verdictPath, Array.from(verdicts).join('\n') + '\n');
const version = require(path.join(__dirname, '..', 'node_modules', 'validator', 'package.json')).version;
console.log(`RESULT name=validator.js version=${version} n=${lines.length} runs=${runs} ` +
            `median_s=${median.toFixed(6)} rate=${Math.round(lines.length / median)} ` +
            `ns_per_call=${(median * 1e9 / lines.length).toFixed(1)} valid=${valid}`);
