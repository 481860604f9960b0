// Reads Parquet files with DuckDB and prints, as one JSON array, each file's columns (name and
// DuckDB type) and rows, every value in DuckDB's own text form (null stays null). A file DuckDB
// cannot read gives {file, error}.
// Usage: node read.mjs FILE...
import { DuckDBInstance } from '@duckdb/node-api';

const instance = await DuckDBInstance.create(':memory:', { threads: '1' });
const connection = await instance.connect();
const answers = [];
for (const path of process.argv.slice(2)) {
  const file = path.replaceAll("'", "''");
  try {
    const described = await connection.runAndReadAll(`DESCRIBE SELECT * FROM read_parquet('${file}')`);
    const columns = described.getRowObjectsJson().map((c) => ({ name: c.column_name, type: c.column_type }));
    const result = await connection.runAndReadAll(`SELECT CAST(COLUMNS(*) AS VARCHAR) FROM read_parquet('${file}')`);
    const rows = result.getRows().map((row) => row.map((v) => (v === null ? null : String(v))));
    answers.push({ file: path, columns, rows });
  } catch (e) {
    answers.push({ file: path, error: String(e.message || e) });
  }
}
process.stdout.write(JSON.stringify(answers));
