// Runs one SQL query with DuckDB and prints its rows as a JSON array of arrays of text (or null).
// Usage: node query.mjs "SELECT ..."
import { DuckDBInstance } from '@duckdb/node-api';

const instance = await DuckDBInstance.create(':memory:', { threads: '1' });
const connection = await instance.connect();
const result = await connection.runAndReadAll(process.argv[2]);
process.stdout.write(JSON.stringify(result.getRows().map((row) => row.map((v) => (v === null ? null : String(v))))));
