#!/bin/bash
# Runs the built kvellpack on one case of good or bad input. Usage:
#   cli_test.sh CASE KVELLPACK STUB
# A bad input must give exit code 1 (2 for a bad command line), exactly one line
# "kvellpack: error: ..." on stderr, nothing on stdout and no output file.
# kvellpack runs as a copy in bin/ with kvell-runtime.jar beside it, the way it
# is installed, so that no jar of the build tree or the environment is found.
set -u
case_name=$1
docs=$(cd "$(dirname "$0")/../../docs" && pwd)
work=$(mktemp -d /tmp/kvellpack_cli.XXXXXX)
trap 'rm -rf "$work"' EXIT
mkdir "$work/bin"
cp "$2" "$work/bin/kvellpack"
kvellpack=$work/bin/kvellpack
printf 'installed runtime' >"$work/bin/kvell-runtime.jar"
unset KVELL_RUNTIME_JAR
cp "$3" "$work/stub.exe"
cd "$work" || exit 1

fail() {
    echo "FAIL ($case_name): $*" >&2
    exit 1
}

# expect_error CODE REGEX COMMAND...
expect_error() {
    local code=$1 pattern=$2
    shift 2
    "$@" >stdout.txt 2>stderr.txt
    local rc=$?
    [ "$rc" -eq "$code" ] || fail "exit code $rc, expected $code; stderr: $(cat stderr.txt)"
    [ "$(wc -l <stderr.txt)" -eq 1 ] || fail "stderr is not one line: $(cat stderr.txt)"
    grep -Eq "^kvellpack: error: $pattern\$" stderr.txt || fail "unexpected error line: $(cat stderr.txt)"
    [ ! -s stdout.txt ] || fail "unexpected output: $(cat stdout.txt)"
    [ ! -e out.exe ] || fail "out.exe was written"
    echo "ok: $(cat stderr.txt)"
}

expect_pack_error() {
    expect_error 1 "$1" "$kvellpack" pack p.toml --stub stub.exe -o out.exe
}

expect_line() {
    grep -Fqx -- "$1" "$2" || fail "'$1' missing from $2: $(cat "$2")"
}

# make_jar JAR [MAIN-CLASS]: a jar with a manifest, deflated as jar tools write it.
make_jar() {
    python3 - "$@" <<'PY' || fail "cannot make $1"
import sys, zipfile
manifest = "Manifest-Version: 1.0\r\n" + ("Main-Class: %s\r\n" % sys.argv[2] if len(sys.argv) > 2 else "") + "\r\n"
with zipfile.ZipFile(sys.argv[1], "w", zipfile.ZIP_DEFLATED) as jar:
    jar.writestr("META-INF/MANIFEST.MF", manifest)
    jar.writestr("a/Main.class", b"\xca\xfe\xba\xbe")
PY
}

pack_ok() {
    "$kvellpack" pack "$@" >stdout.txt 2>stderr.txt || fail "pack $*: $(cat stderr.txt)"
}

case $case_name in
round_trip)
    head -c 150000 /dev/urandom >app.jar
    mkdir -p lib && printf 'runtime' >lib/jre.tar.gz
    cat >p.toml <<'TOML'
main_class = "a.Main"
min_version = "11"
classpath = ['A1app.jar', 'S0lib']
vm_options = ["-Xmx1g", "-Dname=a b"]
require_jdk = true
app_title = "Grüße"
included_files = ["app.jar", "lib/jre.tar.gz"]
[raw.strings]
4711 = "x"
TOML
    pack_ok p.toml --stub stub.exe -o out.exe
    grep -q '^kvellpack: wrote out.exe ' stdout.txt || fail "no summary: $(cat stdout.txt)"
    [ ! -s stderr.txt ] || fail "unexpected stderr: $(cat stderr.txt)"
    "$kvellpack" inspect out.exe -x extracted >report.txt 2>stderr.txt || fail "inspect: $(cat stderr.txt)"
    expect_line '  123    vm_options                           "-Xmx1g \"-Dname=a b\""' report.txt
    expect_line '  20013  app_title                            "Grüße"' report.txt
    expect_line '  app.jar                                  150000 bytes' report.txt
    expect_line '  2003   included_files (names)               "app.jar;jre.tar.gz;kvell-runtime.jar"' report.txt
    cmp app.jar extracted/app.jar || fail "app.jar differs after the round trip"
    cmp lib/jre.tar.gz extracted/jre.tar.gz || fail "jre.tar.gz differs after the round trip"
    cmp bin/kvell-runtime.jar extracted/kvell-runtime.jar || fail "kvell-runtime.jar differs after the round trip"
    ;;
repack)
    head -c 5000 /dev/urandom >big.bin
    printf 'main_class = "a.First"\nincluded_files = ["big.bin"]\n' >first.toml
    printf 'main_class = "b.Second"\n' >second.toml
    pack_ok first.toml --stub stub.exe -o first.exe
    pack_ok second.toml --stub first.exe -o again.exe
    grep -q '^kvellpack: dropped [0-9]* bytes that followed the stub' stdout.txt || fail "no note: $(cat stdout.txt)"
    pack_ok second.toml --stub stub.exe -o direct.exe
    cmp again.exe direct.exe || fail "re-packing differs from packing the plain stub"
    pack_ok second.toml --stub first.exe -o first.exe
    cmp first.exe direct.exe || fail "packing in place differs"
    ;;
documented_example)
    # The complete example of docs/configuration.md packs as shown there.
    awk '/^## A complete example/ { found = 1 } found && /^```toml/ { inside = 1; next }
         inside && /^```/ { exit } inside' "$docs/configuration.md" >hello.toml
    [ -s hello.toml ] || fail "no example found in $docs/configuration.md"
    mkdir -p build && printf 'jar' >build/hello.jar
    pack_ok hello.toml --stub stub.exe -o hello.exe
    [ ! -s stderr.txt ] || fail "warnings: $(cat stderr.txt)"
    summary=$(grep -o '[0-9]* string entries, [0-9]* wide entries, [0-9]* included files' stdout.txt)
    grep -Fq "$summary" "$docs/configuration.md" || fail "the example's summary differs: $summary"
    "$kvellpack" inspect hello.exe >report.txt || fail "inspect failed"
    expect_line '  126    min_version                          "1.8"' report.txt
    expect_line '  2003   included_files (names)               "hello.jar;kvell-runtime.jar"' report.txt
    ;;
usage)
    expect_error 2 'A subcommand is required \(see kvellpack --help\)' "$kvellpack"
    expect_error 2 '--stub is required \(see kvellpack --help\)' "$kvellpack" pack p.toml -o out.exe
    expect_error 2 '.+ \(see kvellpack --help\)' "$kvellpack" frobnicate
    ;;
help)
    "$kvellpack" --help >help.txt || fail "--help failed"
    for word in pack inspect keys Examples; do grep -q "$word" help.txt || fail "--help lacks $word"; done
    "$kvellpack" keys >keys.txt || fail "keys failed"
    grep -Eq '^app_title +20013 +wide' keys.txt || fail "keys lacks app_title"
    grep -A1 '^texts.cancel_button ' keys.txt | grep -q 'default: "Cancel"$' || fail "keys lacks a default"
    ;;
text_defaults)
    # A project that sets no text gets one for every shown entry, named after the project file.
    printf 'main_class = "a.B"\n' >"My App.toml"
    pack_ok "My App.toml" --stub stub.exe -o out.exe
    [ ! -s stderr.txt ] || fail "unexpected stderr: $(cat stderr.txt)"
    "$kvellpack" inspect out.exe >report.txt || fail "inspect failed"
    expect_line 'Wide entries: 19' report.txt  # app_title and every [texts] key
    expect_line '  20013  app_title                            "My App"' report.txt
    expect_line '  1000   messages.caption                     "My App"' report.txt
    expect_line '  1016   messages.no_jre_found                "No suitable {0}-bit Java runtime was found."' report.txt
    expect_line '  155    no_progress_dialog                   "1"' report.txt
    # Asked for in a console program, the progress dialog is packed with a warning.
    printf 'main_class = "a.B"\nno_progress_dialog = false\n' >p.toml
    pack_ok p.toml --stub stub.exe -o out.exe
    [ "$(wc -l <stderr.txt)" -eq 1 ] || fail "not one warning: $(cat stderr.txt)"
    grep -q '^kvellpack: warning: no_progress_dialog = false .*no_launch_timeout = true' stderr.txt ||
        fail "unexpected warning: $(cat stderr.txt)"
    "$kvellpack" inspect out.exe >report.txt || fail "inspect failed"
    expect_line '  155    no_progress_dialog                   "0"' report.txt
    ;;
unknown_key)
    printf 'min_version = "11"\ncolour = "red"\n' >p.toml
    expect_pack_error "p.toml:2: unknown key 'colour'"
    ;;
missing_included_file)
    printf 'included_files = ["nope.jar"]\n' >p.toml
    expect_pack_error "p.toml:1: included file 'nope.jar' not found \(looked for .*/nope.jar\)"
    ;;
stub_not_pe)
    printf 'main_class = "a.B"\n' >p.toml
    head -c 4096 /dev/zero | tr '\0' x >notes.txt
    expect_error 1 "stub 'notes.txt' is not a Windows executable \(no MZ header\)" \
        "$kvellpack" pack p.toml --stub notes.txt -o out.exe
    expect_error 1 "cannot open stub 'nope.exe'" "$kvellpack" pack p.toml --stub nope.exe -o out.exe
    ;;
damaged_launcher)
    head -c 3000 /dev/urandom >a.bin
    printf 'included_files = ["a.bin"]\ninclude_runtime_jar = false\n' >p.toml
    pack_ok p.toml --stub stub.exe -o whole.exe
    head -c $(($(stat -c %s whole.exe) - 100)) whole.exe >cut.exe
    expect_error 1 "'cut.exe' is damaged: included file 'a.bin' claims 3000 bytes, but the file ends before them" \
        "$kvellpack" inspect cut.exe
    expect_error 1 "'stub.exe' carries no readable Payload \(Internal Error: (magic|readInt)\)" \
        "$kvellpack" inspect stub.exe
    ;;
runtime_jar_lookup)
    # Each place in turn, a different jar in each: --runtime-jar, then
    # KVELL_RUNTIME_JAR, then beside kvellpack, then ../java (the build tree).
    mkdir -p java opt && printf 'build tree' >java/kvell-runtime.jar && printf 'from the option' >opt/any-name.jar
    printf 'from the variable' >variable.jar
    printf 'main_class = "a.B"\n' >p.toml
    expect_jar() {
        rm -rf extracted
        "$kvellpack" inspect out.exe -x extracted >report.txt || fail "inspect failed"
        expect_line '  2002   included_files (count)               "1"' report.txt
        expect_line '  2003   included_files (names)               "kvell-runtime.jar"' report.txt
        cmp "$1" extracted/kvell-runtime.jar || fail "the packed jar is not $1"
        grep -Fq "1 included files (kvell-runtime.jar added from $2)" stdout.txt || fail "summary: $(cat stdout.txt)"
    }
    KVELL_RUNTIME_JAR=variable.jar pack_ok p.toml --stub stub.exe -o out.exe --runtime-jar opt/any-name.jar
    expect_jar opt/any-name.jar opt/any-name.jar
    KVELL_RUNTIME_JAR=variable.jar pack_ok p.toml --stub stub.exe -o out.exe
    expect_jar variable.jar variable.jar
    pack_ok p.toml --stub stub.exe -o out.exe
    expect_jar bin/kvell-runtime.jar "$work/bin/kvell-runtime.jar"
    rm bin/kvell-runtime.jar
    pack_ok p.toml --stub stub.exe -o out.exe
    expect_jar java/kvell-runtime.jar "$work/java/kvell-runtime.jar"
    # The same project and jar give the same launcher, however the jar is found.
    cp out.exe from_build_tree.exe
    pack_ok p.toml --stub stub.exe -o out.exe --runtime-jar java/kvell-runtime.jar
    cmp out.exe from_build_tree.exe || fail "the launcher depends on how the jar was found"
    ;;
runtime_jar_opt_out)
    rm bin/kvell-runtime.jar  # nothing to find: opting out needs no jar
    printf 'x' >a.bin
    printf 'include_runtime_jar = false\nincluded_files = ["a.bin"]\n' >p.toml
    pack_ok p.toml --stub stub.exe -o out.exe
    grep -Fq ' 1 included files; ' stdout.txt || fail "summary: $(cat stdout.txt)"
    "$kvellpack" inspect out.exe >report.txt || fail "inspect failed"
    expect_line '  2003   included_files (names)               "a.bin"' report.txt
    printf 'include_runtime_jar = false\nmain_class = "a.B"\n' >p.toml
    pack_ok p.toml --stub stub.exe -o out.exe
    "$kvellpack" inspect out.exe >report.txt || fail "inspect failed"
    grep -q '^Included files: 0,' report.txt || fail "files were packed: $(cat report.txt)"
    ;;
runtime_jar_listed)
    # The project's own jar, under any letter case, is the one packed, once.
    printf 'own runtime' >own.jar
    printf 'main_class = "a.B"\nincluded_files = [{ path = "own.jar", name = "Kvell-Runtime.JAR" }]\n' >p.toml
    pack_ok p.toml --stub stub.exe -o out.exe --runtime-jar bin/kvell-runtime.jar
    grep -Fq ' 1 included files; ' stdout.txt || fail "summary: $(cat stdout.txt)"
    "$kvellpack" inspect out.exe -x extracted >report.txt || fail "inspect failed"
    expect_line '  2003   included_files (names)               "Kvell-Runtime.JAR"' report.txt
    cmp own.jar extracted/Kvell-Runtime.JAR || fail "the project's own jar was not the one packed"
    ;;
runtime_jar_missing)
    rm bin/kvell-runtime.jar
    advice='; pass --runtime-jar PATH or set include_runtime_jar = false'
    printf 'main_class = "a.B"\n' >p.toml
    expect_pack_error "kvell-runtime.jar not found \(looked in $work/bin/kvell-runtime.jar, $work/java/kvell-runtime.jar\)$advice"
    KVELL_RUNTIME_JAR=$work/bin expect_pack_error \
        "kvell-runtime.jar not found \(looked in $work/bin \(KVELL_RUNTIME_JAR\)\)$advice"
    mkdir -p java && printf 'build tree' >java/kvell-runtime.jar  # not a fallback for an explicit path
    expect_error 1 "kvell-runtime.jar not found \(looked in nope.jar \(--runtime-jar\)\)$advice" \
        "$kvellpack" pack p.toml --stub stub.exe -o out.exe --runtime-jar nope.jar
    ;;
included_runtime)
    # runtime_dir packs a runtime home that GNU tar unpacks as it was; a ready
    # archive from GNU tar is taken as it is, one of "./" names is refused.
    mkdir -p rt/bin rt/lib/security && printf 'MZ java' >rt/bin/java.exe && printf 'PK' >rt/lib/rt.jar
    printf 'main_class = "a.B"\nruntime_dir = "rt"\n' >p.toml
    pack_ok p.toml --stub stub.exe -o out.exe
    grep -q "^kvellpack: jre.tar.gz from runtime_dir 'rt': 2 files, 3 directories, [0-9]* bytes unpacked, " stdout.txt ||
        fail "no runtime line: $(cat stdout.txt)"
    [ -z "$(ls | grep kvellpack-part)" ] || fail "scratch files left: $(ls)"
    "$kvellpack" inspect out.exe -x extracted >report.txt || fail "inspect failed"
    grep -Eq '^Included runtime jre.tar.gz: [0-9]+ bytes compressed, [0-9]+ bytes unpacked, 5 entries \(2 files, 3 directories\)$' \
        report.txt || fail "no runtime line: $(cat report.txt)"
    mkdir unpacked && tar -xzf extracted/jre.tar.gz -C unpacked || fail "GNU tar cannot unpack jre.tar.gz"
    diff -r rt unpacked || fail "unpacked runtime differs"
    [ "$(gzip -dc extracted/jre.tar.gz | wc -c)" = "$(sed -n 's/^  151 .* "\([0-9]*\)"$/\1/p' report.txt)" ] ||
        fail "entry 151 is not the tar's length: $(grep '  151 ' report.txt)"
    tar --format=ustar -C rt -czf ready.tar.gz bin lib
    printf 'main_class = "a.B"\nruntime_archive = "ready.tar.gz"\n' >p.toml
    pack_ok p.toml --stub stub.exe -o out.exe
    "$kvellpack" inspect out.exe >report.txt || fail "inspect failed"
    grep -q '^Included runtime jre.tar.gz: .* 5 entries (2 files, 3 directories)$' report.txt ||
        fail "no runtime line: $(cat report.txt)"
    rm out.exe
    tar -C rt -czf dot.tar.gz .
    printf 'runtime_archive = "dot.tar.gz"\n' >p.toml
    expect_pack_error "p.toml:1: runtime_archive 'dot.tar.gz': entry '\./' has a \"\.\" or \"\.\.\" component \(name the runtime's contents instead: .*\)"
    ln -s rt.jar rt/lib/link.jar
    printf 'runtime_dir = "rt"\n' >p.toml
    expect_pack_error "p.toml:1: runtime_dir 'rt': 'lib/link.jar' is a symbolic link; kvellpack does not follow links .*"
    [ -z "$(ls | grep kvellpack-part)" ] || fail "scratch files left: $(ls)"
    printf 'runtime_dir = "rt"\nruntime_archive = "ready.tar.gz"\n' >p.toml
    expect_pack_error "p.toml:[12]: 'runtime_dir' and 'runtime_archive' both name the included runtime; set only one of them"
    "$kvellpack" keys >keys.txt || fail "keys failed"
    grep -Eq '^runtime_dir +151 +string ' keys.txt && grep -Eq '^runtime_archive +151 +string ' keys.txt ||
        fail "keys lacks the runtime keys"
    ;;
vendor_mistakes)
    # Each mistake is one line that names what to fix.
    printf 'main_clas = "a.B"\n' >p.toml
    expect_pack_error "p.toml:1: unknown key 'main_clas'; did you mean 'main_class'\\?"
    printf 'x' >readme.txt
    printf 'included_files = ["readme.txt"]\n' >p.toml
    expect_pack_error "p.toml: main_class is not set, and no included jar names one in its manifest"
    # A program that is not a kvell launcher (here the stub with its marker section renamed) is no stub.
    python3 -c 'import sys; d = open(sys.argv[1], "rb").read(); open(sys.argv[2], "wb").write(d.replace(b".kvell\0", b".other\0", 1))' \
        stub.exe other.exe
    cmp -s stub.exe other.exe && fail "the stub has no .kvell section"
    printf 'main_class = "a.B"\n' >p.toml
    expect_error 1 "stub 'other.exe' is not a kvell launcher \(it has no \.kvell section\); pack onto kvell.exe or a launcher packed from it" \
        "$kvellpack" pack p.toml --stub other.exe -o out.exe
    printf 'just text, no program\n' >notes.txt
    expect_error 1 "'notes.txt' is not a Windows executable \(no MZ header\)" "$kvellpack" inspect notes.txt
    # Left out, the main class comes from the first jar's manifest, with a note.
    make_jar app.jar com.example.Main
    printf 'included_files = ["readme.txt", "app.jar"]\n' >p.toml
    pack_ok p.toml --stub stub.exe -o out.exe
    [ "$(cat stderr.txt)" = "kvellpack: note: main_class not set: using com.example.Main from app.jar's manifest" ] ||
        fail "unexpected stderr: $(cat stderr.txt)"
    "$kvellpack" inspect out.exe >report.txt || fail "inspect failed"
    expect_line '  122    main_class                           "com.example.Main"' report.txt
    expect_line '  128    search_sequence                      "Rjre;M;EJAVA_HOME;Y;S"' report.txt
    ;;
init)
    # A vendor's first launcher: init, then pack.
    mkdir -p dist/lib && make_jar dist/app.jar com.example.Main && make_jar dist/lib/b.jar && make_jar dist/lib/a.jar
    "$kvellpack" init dist/app.jar >stdout.txt 2>stderr.txt || fail "init: $(cat stderr.txt)"
    [ "$(cat stdout.txt)" = "kvellpack: wrote dist/app.toml for app.jar (main class com.example.Main; lib/*.jar: 2 jars)" ] ||
        fail "unexpected summary: $(cat stdout.txt)"
    [ ! -s stderr.txt ] || fail "unexpected stderr: $(cat stderr.txt)"
    pack_ok dist/app.toml --stub stub.exe -o app.exe
    [ ! -s stderr.txt ] || fail "unexpected stderr: $(cat stderr.txt)"
    "$kvellpack" inspect app.exe >report.txt || fail "inspect failed"
    expect_line '  122    main_class                           "com.example.Main"' report.txt
    expect_line '  2003   included_files (names)               "app.jar;a.jar;b.jar;kvell-runtime.jar"' report.txt
    expect_line '  20013  app_title                            "app"' report.txt
    cp dist/app.toml before.toml
    expect_error 1 "'dist/app.toml' already exists; kvellpack init does not overwrite a project file" \
        "$kvellpack" init dist/app.jar
    cmp dist/app.toml before.toml || fail "the project file was changed"
    # Without a Main-Class: the starter says what to set, and pack insists on it.
    make_jar plain.jar
    "$kvellpack" init plain.jar -o plain.toml >stdout.txt 2>stderr.txt || fail "init: $(cat stderr.txt)"
    [ "$(cat stderr.txt)" = "kvellpack: note: plain.jar's manifest names no Main-Class; set main_class in plain.toml before packing" ] ||
        fail "unexpected stderr: $(cat stderr.txt)"
    expect_error 1 "plain.toml: main_class is not set, and plain.jar's manifest names no Main-Class" \
        "$kvellpack" pack plain.toml --stub stub.exe -o out.exe
    ;;
*)
    fail "unknown case"
    ;;
esac
