// The reference figures of the tablix benchmark: DuckDB on one thread writes and reads the same
// table (built in memory first, so that only the Parquet work is timed). Prints JSON with seconds.
// Usage: node bench.mjs DIR ROWS [model|sales]: the table of the tablix benchmark, with "model" the
// one the Parquet mapping benchmark moves through a model (a key string, a name of 1,000 values,
// an integer, two numbers), with "sales" the sales table of the tablix benchmark (an id string, a
// product of 1,000 values, a region, an integer quantity, a price).
import { DuckDBInstance } from '@duckdb/node-api';

const [dir, rowsText, shape] = process.argv.slice(2);
const rows = Number(rowsText);
const instance = await DuckDBInstance.create(':memory:', { threads: '1' });
const c = await instance.connect();
if (shape === 'model') {
  await c.run(`CREATE TABLE t AS SELECT 'k' || i::VARCHAR AS key, 'customer name ' || ((i % 1000) * 7919)::VARCHAR AS name,
               (i % 977)::INTEGER AS count, (i % 100000) * 0.37 - 1234.5 AS x, i / 3.0 AS y FROM range(1, ${rows} + 1) r(i)`);
} else if (shape === 'sales') {
  await c.run(`CREATE TABLE t AS SELECT 'S' || i::VARCHAR AS id, 'product-' || (i * 7919 % 1000)::VARCHAR AS product,
               ['north', 'south', 'east', 'west', 'central'][(i % 5) + 1] AS region, (i * 31 % 50 + 1)::INTEGER AS quantity,
               ((i * 7919 % 1000) * 25 + 99)::DOUBLE / 100 AS price FROM range(${rows}) r(i)`);
} else {
  await c.run(`CREATE TABLE t AS SELECT i::INTEGER AS key, 'name-' || (i * 7919 % 1000)::VARCHAR AS label,
               (i::BIGINT * 1000003) AS big, i * 0.5 AS x, i / 3.0 AS y FROM range(${rows}) r(i)`);
}
const file = `${dir}/duckdb-bench.parquet`;
let start = process.hrtime.bigint();
await c.run(`COPY t TO '${file}' (FORMAT parquet, COMPRESSION snappy)`);
const write = Number(process.hrtime.bigint() - start) / 1e9;
start = process.hrtime.bigint();
await c.run(`CREATE TABLE back AS SELECT * FROM read_parquet('${file}')`);
const read = Number(process.hrtime.bigint() - start) / 1e9;
process.stdout.write(JSON.stringify({ write, read }));
