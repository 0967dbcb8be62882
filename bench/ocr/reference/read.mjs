// Reads pictures with the models' reference pipeline (the npm package
// @gutenye/ocr-node under Node), for the OCR corpus benchmark to compare with.
//   node read.mjs [--rounds=N] MODELS_DIR < pictures
// MODELS_DIR holds ch_PP-OCRv4_det_infer.onnx, ch_PP-OCRv4_rec_infer.onnx and
// ppocr_keys_v1.txt: the same files Ornivex's engine reads. Takes one picture
// path a line on standard input and prints one JSON object a line: first
// {"made_ms"}, then per picture {"picture", "ms", "lines"}, where ms is the
// median of N readings (default 3); the first picture is read once cold before
// them ("cold_ms").
import path from 'node:path'
import readline from 'node:readline'
import { performance } from 'node:perf_hooks'
import Ocr from '@gutenye/ocr-node'

const args = process.argv.slice(2)
let rounds = 3
if (args[0] && args[0].startsWith('--rounds=')) rounds = Math.max(1, Number(args.shift().slice(9)) || 1)
const [modelsDir] = args
if (!modelsDir) {
  console.error('usage: node read.mjs [--rounds=N] MODELS_DIR < pictures')
  process.exit(2)
}

const started = performance.now()
const ocr = await Ocr.create({
  models: {
    detectionPath: path.join(modelsDir, 'ch_PP-OCRv4_det_infer.onnx'),
    recognitionPath: path.join(modelsDir, 'ch_PP-OCRv4_rec_infer.onnx'),
    dictionaryPath: path.join(modelsDir, 'ppocr_keys_v1.txt'),
  },
})
console.log(JSON.stringify({ made_ms: performance.now() - started }))

async function read(picture) {
  const start = performance.now()
  try {
    const result = await ocr.detect(picture)
    return { ms: performance.now() - start, lines: result.map((line) => line.text) }
  } catch (e) {
    return { ms: performance.now() - start, lines: [], error: String(e) }
  }
}

let first = true
for await (const line of readline.createInterface({ input: process.stdin })) {
  const picture = line.trim()
  if (!picture) continue
  let coldMs = -1
  if (first) {
    coldMs = (await read(picture)).ms
    first = false
  }
  const times = []
  let last
  for (let r = 0; r < rounds; ++r) {
    last = await read(picture)
    times.push(last.ms)
  }
  times.sort((a, b) => a - b)
  const ms = times[Math.floor(times.length / 2)]
  const error = last.error ? { error: last.error } : {}
  console.log(JSON.stringify({ picture, cold_ms: coldMs, ms, lines: last.lines, ...error }))
}
