#!/bin/sh
# The example model serves a task to curl as the README shows: post and wait, fetch the response,
# delete. Arguments: molvo-sim, the example script, a loopback port.
set -eu
sim=$1 script=$2 port=$3
base="http://127.0.0.1:$port/api/v1/tasks"
FERROLINK_SERVICE_HOST=127.0.0.1 "$sim" "$script" 5 "$port" &
model=$!
i=0
until curl -s -o /dev/null "$base/"; do
  i=$((i + 1)); [ $i -lt 100 ] || { echo "the service did not come up"; exit 1; }
  sleep 0.05
done
answer=$(curl -s -X POST --data 'hello service' "$base/upper?completionTimeout=10000")
echo "$answer"
echo "$answer" | grep -q '"status":"finished"'
id=$(echo "$answer" | sed -n 's/.*"id":"\([0-9a-f-]*\)".*/\1/p')
test "$(curl -s "$base/$id/response")" = "HELLO SERVICE"
test "$(curl -s -o /dev/null -w '%{http_code}' -X DELETE "$base/$id")" = 200
test "$(curl -s "$base/")" = "[]"
wait $model
