// Reads pictures with the models' reference pipeline (the npm package
// @gutenye/ocr-node under Node), for the OCR corpus benchmark to compare with.
//   node read.mjs MODELS_DIR picture...
// MODELS_DIR holds ch_PP-OCRv4_det_infer.onnx, ch_PP-OCRv4_rec_infer.onnx and
// ppocr_keys_v1.txt: the same files Ornivex's engine reads. Prints one JSON
// object a line: first {"made_ms"}, then per picture {"picture", "ms", "lines"}.
import path from 'node:path'
import { performance } from 'node:perf_hooks'
import Ocr from '@gutenye/ocr-node'

const [modelsDir, ...pictures] = process.argv.slice(2)
if (!modelsDir || pictures.length === 0) {
  console.error('usage: node read.mjs MODELS_DIR picture...')
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

for (const picture of pictures) {
  const start = performance.now()
  let lines = []
  let error
  try {
    const result = await ocr.detect(picture)
    lines = result.map((line) => line.text)
  } catch (e) {
    error = String(e)
  }
  const ms = performance.now() - start
  console.log(JSON.stringify({ picture, ms, lines, ...(error ? { error } : {}) }))
}
