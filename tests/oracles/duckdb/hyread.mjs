// Reads Parquet files with hyparquet (a second, independent implementation in JavaScript) and
// prints, as one JSON array, each file's column names and rows with every value as text (null
// stays null). A file it cannot read gives {file, error}.
// Usage: node hyread.mjs FILE...
import { readFileSync } from 'node:fs';
import { parquetMetadata, parquetReadObjects, parquetSchema } from 'hyparquet';
import { compressors } from 'hyparquet-compressors';

const answers = [];
for (const path of process.argv.slice(2)) {
  try {
    const bytes = readFileSync(path);
    const file = bytes.buffer.slice(bytes.byteOffset, bytes.byteOffset + bytes.byteLength);
    const names = parquetSchema(parquetMetadata(file)).children.map((c) => c.element.name);
    const objects = await parquetReadObjects({ file, compressors });
    const rows = objects.map((o) => names.map((n) => (o[n] === null || o[n] === undefined ? null : String(o[n]))));
    answers.push({ file: path, names, rows });
  } catch (e) {
    answers.push({ file: path, error: String(e.message || e) });
  }
}
process.stdout.write(JSON.stringify(answers));
