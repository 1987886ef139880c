// Validates one glTF file with the Khronos validator; prints its report as JSON and exits 1
// when it holds errors or warnings.
import { readFileSync } from "node:fs";
import validator from "gltf-validator";

const path = process.argv[2];
const report = await validator.validateBytes(new Uint8Array(readFileSync(path)), { maxIssues: 100 });
console.log(JSON.stringify(report.issues, null, 1));
process.exit(report.issues.numErrors === 0 && report.issues.numWarnings === 0 ? 0 : 1);
