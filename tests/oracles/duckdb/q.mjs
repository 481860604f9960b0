import { DuckDBInstance } from '@duckdb/node-api';
const inst = await DuckDBInstance.create(':memory:', {threads: '1'});
const con = await inst.connect();
const r = await con.runAndReadAll(process.argv[2]);
console.log(JSON.stringify(r.getRowObjectsJson()).slice(0, 3000));
