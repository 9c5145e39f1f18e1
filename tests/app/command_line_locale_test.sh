#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The command line speaks the locale's language: Simplified Chinese under any zh locale,
# English otherwise, with LANGUAGE, LC_ALL, LC_MESSAGES and LANG taking their usual turns.
# Usage: command_line_locale_test.sh BUILD_DIR
set -uo pipefail
tavrin="$1/bin/tavrin"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
failures=0

english_help="Usage: tavrin [OPTION]"
chinese_help="用法：tavrin [选项]"
# The locale's variables -> the first line of --help.
rows=(
  "LANG=zh_CN.UTF-8|$chinese_help"
  "LANG=zh_TW.UTF-8|$chinese_help"
  "LANG=zh_SG.UTF-8|$chinese_help"
  "LANG=C|$english_help"
  "LANG=C.UTF-8|$english_help"
  "LANG=en_US.UTF-8|$english_help"
  "LANG=de_DE.UTF-8|$english_help"
  "|$english_help"
  "LANG=en_US.UTF-8 LC_ALL=zh_CN.UTF-8|$chinese_help"
  "LANG=zh_CN.UTF-8 LC_ALL=en_US.UTF-8|$english_help"
  "LANG=en_US.UTF-8 LC_MESSAGES=zh_CN.UTF-8|$chinese_help"
  "LANG=en_US.UTF-8 LANGUAGE=zh_CN:en|$chinese_help"
)
for row in "${rows[@]}"; do
  vars="${row%%|*}" expected="${row#*|}"
  # shellcheck disable=SC2086 # the variables are words of their own
  got="$(env -i PATH="$PATH" $vars "$tavrin" --help | head -n 1)"
  if [ "$got" != "$expected" ]; then
    echo "FAIL: ${vars:-no locale variables}: '$got', not '$expected'"
    failures=$((failures + 1))
  fi
done

# The messages and the text report use the same translation.
say() { env -i PATH="$PATH" XDG_DATA_HOME="$scratch" LANG="$1" "$tavrin" "${@:2}" 2>&1; }
check() {
  if [[ "$2" != *"$3"* ]]; then
    echo "FAIL: $1: '$2' has no '$3'"
    failures=$((failures + 1))
  fi
}
check "wrong option, zh" "$(say zh_CN.UTF-8 --bogus)" "没有这个选项 “--bogus”"
check "wrong option, en" "$(say en_US.UTF-8 --bogus)" "unknown option '--bogus'"
check "empty record, zh" "$(say zh_CN.UTF-8 --report -)" "还没有练习记录。"
check "empty record, en" "$(say C --report -)" "No practice record yet."
check "record usage, zh" "$(say zh_CN.UTF-8 --report)" "用法：tavrin --report 文件.html"
# The record's own errors too.
mkdir -p "$scratch/tavrin"
printf 'not a database, only a drawing %.0s' {1..200} >"$scratch/tavrin/record.sqlite"
check "damaged record, zh" "$(say zh_CN.UTF-8 --report -)" "已损坏"
check "damaged record, en" "$(say en_US.UTF-8 --report -)" "The practice record $scratch/tavrin/record.sqlite is damaged"
rm -r "$scratch/tavrin"

[ "$failures" -eq 0 ] || exit 1
echo "command line locale: ${#rows[@]} locales and 7 messages as expected"
