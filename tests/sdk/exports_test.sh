#!/usr/bin/env bash
# What the shared libraries in LIBDIR export: the classes and functions of the layers' installed
# headers, classes with their type information (host errors are caught and host interfaces cast across
# the libraries); a layer's private helpers stay hidden.
#   exports_test.sh LIBDIR
set -euo pipefail
lib=${1:?usage: exports_test.sh LIBDIR}
fail() { echo "exports: $*" >&2; exit 1; }

# layer | a symbol's demangled name, or its start | exported?
while IFS='|' read -r layer symbol expected; do
  [[ $layer == \#* ]] && continue
  file=$lib/libtarncheckvalve-$layer.so
  [ -f "$file" ] || fail "no $file"
  if grep -qF -- "$symbol" <(nm -DC --defined-only "$file"); then found=yes; else found=no; fi
  [ "$found" = "$expected" ] || fail "libtarncheckvalve-$layer.so: '$symbol' exported: $found, expected: $expected"
done <<'TABLE'
host|typeinfo for tcv::host::HostError|yes
# An interface's type information, made wherever it is used, is public in each library, so that the
# loader makes it one: the part the reference host makes is the part the symbol casts to.
base|typeinfo for tcv::host::IPipingComponent|yes
refhost|typeinfo for tcv::host::IPipingComponent|yes
host|tcv::host::RuntimeScope::RuntimeScope(|yes
symbol|tcv::symbol::createSymbol(|yes
symbol|typeinfo for tcv::symbol::CCheckValve|yes
refhost|tcv::refhost::evaluateAspect(|yes
refhost|typeinfo for tcv::refhost::RefPart|yes
kernel|tcv::kernel::installOccKernel()|yes
catalog|tcv::catalog::loadCatalogFile(|yes
catalog|typeinfo for tcv::catalog::CatalogError|yes
exports|tcv::exports::ExportDocument::writeGlb(|yes
geometry|EraseArrayDPosition(|no
variants|addFlangeCollar(|no
kernel|buildProjection(|no
exports|colourOf(|no
TABLE

# Nothing of a source file's anonymous namespace.
for file in "$lib"/libtarncheckvalve-*.so; do
  if grep -q '(anonymous namespace)' <(nm -DC --defined-only "$file"); then fail "$file exports a file-local name"; fi
done
echo "exports: OK"
