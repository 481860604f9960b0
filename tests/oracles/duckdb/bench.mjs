// The reference figures of the tablix benchmark: DuckDB on one thread writes and reads the same
// table (built in memory first, so that only the Parquet work is timed). Prints JSON with seconds.
// Usage: node bench.mjs DIR ROWS
import { DuckDBInstance } from '@duckdb/node-api';

const [dir, rowsText] = process.argv.slice(2);
const rows = Number(rowsText);
const instance = await DuckDBInstance.create(':memory:', { threads: '1' });
const c = await instance.connect();
await c.run(`CREATE TABLE t AS SELECT i::INTEGER AS key, 'name-' || (i * 7919 % 1000)::VARCHAR AS label,
             (i::BIGINT * 1000003) AS big, i * 0.5 AS x, i / 3.0 AS y FROM range(${rows}) r(i)`);
const file = `${dir}/duckdb-bench.parquet`;
let start = process.hrtime.bigint();
await c.run(`COPY t TO '${file}' (FORMAT parquet, COMPRESSION snappy)`);
const write = Number(process.hrtime.bigint() - start) / 1e9;
start = process.hrtime.bigint();
await c.run(`CREATE TABLE back AS SELECT * FROM read_parquet('${file}')`);
const read = Number(process.hrtime.bigint() - start) / 1e9;
process.stdout.write(JSON.stringify({ write, read }));
