#!/usr/bin/env bash
# scripts/fresh-check runs the set-up exactly as the README's ```sh blocks show it: the blocks must be found
# whatever their indentation, other code blocks must not be taken for them, and the README itself must keep
# showing two one-line commands.
#
# usage: readme_commands_test.sh SOURCE_DIR
set -euo pipefail
root=$1
. "$root/scripts/lib/readme-commands.sh"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
failures=0

expect() { # WHAT EXPECTED ACTUAL
  if [ "$2" != "$3" ]; then
    printf 'FAIL %s\n  expected: [%s]\n  actual:   [%s]\n' "$1" "$2" "$3"
    failures=$((failures + 1))
  fi
}

cat >"$tmp/list-items.md" <<'MD'
1. First:

   ```sh
   scripts/install-deps && scripts/build
   ```

```
moxtel-flow stats WORKBOOK
```

2. Second:
    ```sh  
    scripts/test
    ```
MD
expect "blocks inside list items are counted" 2 "$(readme_command_count "$tmp/list-items.md")"
expect "first block without its indentation" "scripts/install-deps && scripts/build" \
  "$(readme_command "$tmp/list-items.md" 1)"
expect "plain block between them is skipped" "scripts/test" "$(readme_command "$tmp/list-items.md" 2)"
expect "no third block" "" "$(readme_command "$tmp/list-items.md" 3)"

cat >"$tmp/other-languages.md" <<'MD'
```shell
not a set-up command
```
```console
$ neither
```
```sh
a
b
```
MD
expect "only sh blocks count" 1 "$(readme_command_count "$tmp/other-languages.md")"
expect "every line of a block" "$(printf 'a\nb')" "$(readme_command "$tmp/other-languages.md" 1)"

printf 'No code here.\n' >"$tmp/none.md"
expect "a README without blocks" 0 "$(readme_command_count "$tmp/none.md")"

expect "the README shows two set-up commands" 2 "$(readme_command_count "$root/README.md")"
for n in 1 2; do
  expect "README command $n is one line" 1 "$(readme_command "$root/README.md" "$n" | grep -c .)"
done

[ "$failures" -eq 0 ] || exit 1
echo "readme commands: all cases pass"
