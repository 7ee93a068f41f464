#!/usr/bin/env bash
# Fails when a C++ source of the project differs from what clang-format makes of it.
set -euo pipefail
cd "$(dirname "$0")/../.."
find codec rom setup dmi tracklog editor platform util cli tools ui app tests bench fuzz \
  -name '*.cpp' -o -name '*.h' | xargs -r clang-format --dry-run --Werror
