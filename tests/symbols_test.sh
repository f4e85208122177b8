#!/usr/bin/env bash
# The clang build's debug symbols: the DLL names its PDB by file name only (no build machine
# path), the PDB beside it carries the same GUID and age, and holds the plug-in's own code with
# line records, not only the runtime's. A copy stripped as scripts/package ships it still names
# the same PDB and has no debug sections left. Another program's PDB must not match.
# Usage: symbols_test.sh <dll> <other program's pdb>
set -euo pipefail
dll="$1"
other_pdb="$2"
pdb="${dll%.*}.pdb"
fail() { echo "FAIL: $*"; exit 1; }

# GUID and age a program names, as {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}/age, and its PDB name.
program_guid() {
  local bytes age
  bytes="$(llvm-readobj --coff-debug-directory "$1" | sed -n 's/.*PDBGUID: (\(.*\))/\1/p')"
  age="$(llvm-readobj --coff-debug-directory "$1" | sed -n 's/.*PDBAge: \([0-9]*\)/\1/p')"
  [ -n "$bytes" ] || return 1
  read -r -a b <<<"$bytes"
  printf '{%s%s%s%s-%s%s-%s%s-%s%s-%s%s%s%s%s%s}/%s\n' "${b[3]}" "${b[2]}" "${b[1]}" "${b[0]}" \
    "${b[5]}" "${b[4]}" "${b[7]}" "${b[6]}" "${b[8]}" "${b[9]}" "${b[10]}" "${b[11]}" "${b[12]}" \
    "${b[13]}" "${b[14]}" "${b[15]}" "$age"
}
program_pdb_name() { llvm-readobj --coff-debug-directory "$1" | sed -n 's/.*PDBFileName: //p'; }
pdb_guid() {
  local summary
  summary="$(llvm-pdbutil dump -summary "$1")"
  printf '%s/%s\n' "$(sed -n 's/.*GUID: //p' <<<"$summary")" "$(sed -n 's/.*Age: //p' <<<"$summary")"
}

[ -f "$pdb" ] || fail "no PDB beside $dll"
guid="$(program_guid "$dll")" || fail "$dll has no CodeView debug directory entry"
[ "$(program_pdb_name "$dll")" = "$(basename "$pdb")" ] ||
  fail "$dll names its PDB as '$(program_pdb_name "$dll")', not '$(basename "$pdb")'"
[ "$(pdb_guid "$pdb")" = "$guid" ] || fail "$pdb is $(pdb_guid "$pdb"), $dll names $guid"
[ "$(pdb_guid "$other_pdb")" != "$guid" ] || fail "$other_pdb matches $dll as well"

publics="$(llvm-pdbutil dump -publics "$pdb")"
# x86 publics carry the stdcall decoration (_DllGetClassObject@12).
grep -Eq '`_?DllGetClassObject(@[0-9]+)?`' <<<"$publics" ||
  fail "$pdb has no public symbol DllGetClassObject"
lines="$(llvm-pdbutil dump -l "$pdb")"
for source in plugin/module.cpp plugin/sheets.cpp base/devmode.cpp; do
  grep -q "/$source (" <<<"$lines" || fail "$pdb has no line records of $source"
done

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
llvm-strip --strip-debug -o "$work/shipped.dll" "$dll"
[ "$(program_guid "$work/shipped.dll")" = "$guid" ] || fail "the stripped copy names another PDB"
if grep -q 'Name: \.debug_' <<<"$(llvm-readobj --sections "$work/shipped.dll")"; then
  fail "the stripped copy still has debug sections"
fi
echo "$(basename "$dll") names $(basename "$pdb") $guid; the stripped copy too"
