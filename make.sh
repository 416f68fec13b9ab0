#!/usr/bin/env bash
# The README's entry point. A fresh Debian machine may have nothing but
# bash, apt and sudo, not even make: this installs what is missing first,
# then hands the arguments to make (`./make.sh run`, `./make.sh test`,
# `./make.sh run ARGS="--windowed"`, `./make.sh PRESET=asan test`).
set -euo pipefail
cd "$(dirname "$0")"
scripts/bootstrap
exec make "$@"
