// Writes a Parquet file with DuckDB from a SQL query.
// Usage: node write.mjs FILE "SELECT ..." "COPY OPTIONS" (for example "COMPRESSION zstd, ROW_GROUP_SIZE 3")
import { DuckDBInstance } from '@duckdb/node-api';

const [file, query, options] = process.argv.slice(2);
const instance = await DuckDBInstance.create(':memory:', { threads: '1' });
const connection = await instance.connect();
const extra = options ? `, ${options}` : '';
await connection.run(`COPY (${query}) TO '${file.replaceAll("'", "''")}' (FORMAT parquet${extra})`);
