#!/bin/sh
# Runs the model in an empty folder, with a logging configuration file there or without, and
# compares its standard error with what it must be, line by line. Arguments: molvo-sim, the
# model, "none" or "file".
set -eu
sim=$1 model=$2 configuration=$3
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
cd "$dir"
if [ "$configuration" = none ]; then
  # Warnings and errors of every logger, one line each, before InitService as after it; then as
  # the host shows the warnings raised to it.
  "$sim" "$model" 2>stderr
  {
    echo "WARN Ferrolink.FLK: Reading short.csv: 1 rows with another number of fields than the 2 of the header were skipped; the first on line 3"
    echo "Warning Ferrolink: Reading short.csv: 1 rows with another number of fields than the 2 of the header were skipped; the first on line 3"
    echo "ERROR Ferrolink.ApplicationLog: shown"
    echo "WARN Ferrolink.FLK: Reading long.csv: 2 rows with another number of fields than the 2 of the header were skipped; the first on line 3"
    echo "Warning Ferrolink: Reading long.csv: 2 rows with another number of fields than the 2 of the header were skipped; the first on line 3"
  } >expected
else
  # The file decides: its log holds the warnings and errors, standard error only what the host shows.
  printf '%s\n' "log4j.rootLogger=WARN, file" "log4j.appender.file=org.apache.log4j.FileAppender" \
                "log4j.appender.file.File=flk.log" "log4j.appender.file.layout=org.apache.log4j.SimpleLayout" >FLKLogConfig.cfg
  "$sim" "$model" init-first 2>stderr
  {
    echo "Warning Ferrolink: Reading short.csv: 1 rows with another number of fields than the 2 of the header were skipped; the first on line 3"
    echo "Warning Ferrolink: Reading long.csv: 2 rows with another number of fields than the 2 of the header were skipped; the first on line 3"
  } >expected
  {
    echo "WARN - Reading short.csv: 1 rows with another number of fields than the 2 of the header were skipped; the first on line 3"
    echo "ERROR - shown"
    echo "INFO - Read from file long.csv using mapping prices"   # the model lowered the level
    echo "INFO - Reading long.csv: delimiter ',', header on line 1: 4 rows of 2 fields with it, next best '|' with 6 rows of 1 field"
    echo "WARN - Reading long.csv: 2 rows with another number of fields than the 2 of the header were skipped; the first on line 3"
  } >expected.log
  diff -u expected.log flk.log
fi
diff -u expected stderr
