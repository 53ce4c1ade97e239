# shellcheck shell=bash
# The README's set-up commands: each ```sh block of the README is one command, typed as the block shows it.

# Prints how many ```sh blocks FILE has.
readme_command_count() {
  grep -c '^[[:space:]]*```sh[[:space:]]*$' "$1" || true
}

# Prints the lines of the N-th ```sh block of FILE without their indentation (list items indent them).
readme_command() {
  awk -v want="$2" '/^[[:space:]]*```sh[[:space:]]*$/ { n++; inside = 1; next }
                    inside && /^[[:space:]]*```/ { inside = 0; next }
                    inside && n == want { sub(/^[[:space:]]+/, ""); print }' "$1"
}
