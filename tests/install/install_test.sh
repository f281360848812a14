#!/usr/bin/env bash
# Installs the build into a DESTDIR and checks it as a user's system would
# have it: exactly the files of the layout, and an installed zinop-cli that
# reads PNG files through the installed plug-ins while its folders are
# read-only, and that finds its settings under XDG_CONFIG_HOME.
set -euo pipefail
build=$1 prefix=$2 bindir=$3 plugindir=$4 helpdir=$5 datadir=$6 mandir=$7 docdir=$8
with_app=$9 samples=${10}

fail() { echo "FAIL: $*" >&2; exit 1; }
work=$(mktemp -d)
cleanup() { chmod -R u+w "$work" 2>/dev/null || true; rm -rf "$work"; }
trap cleanup EXIT

DESTDIR=$work/root cmake --install "$build" >"$work/install.log" 2>&1 ||
    { cat "$work/install.log"; fail "cmake --install"; }
root=$work/root${prefix}

# The layout: these files and nothing else.
expected=(
    "$bindir/zinop-cli"
    "$plugindir/ifgif.spi" "$plugindir/ifjpeg.spi" "$plugindir/ifpng.spi"
    "$plugindir/iftiff.spi" "$plugindir/ifwebp.spi"
    "$helpdir/readme.htm" "$helpdir/image/operation.htm" "$helpdir/image/setting.htm"
    "$helpdir/image/menu.htm"
    "$mandir/man1/zinop-cli.1.gz" "$docdir/copyright"
)
if [ "$with_app" = 1 ]; then
    expected+=("$bindir/zinop" "$mandir/man1/zinop.1.gz"
        "$datadir/applications/zinop.desktop" "$datadir/metainfo/zinop.metainfo.xml"
        "$datadir/icons/hicolor/scalable/apps/zinop.svg")
    for size in 16 22 24 32 48 64 128 256; do
        expected+=("$datadir/icons/hicolor/${size}x${size}/apps/zinop.png")
    done
fi
printf '%s\n' "${expected[@]}" | sort >"$work/expected"
(cd "$root" && find . -type f -o -type l | sed 's#^\./##' | sort) >"$work/found"
diff -u "$work/expected" "$work/found" || fail "installed files differ from the layout"

programs=("$bindir/zinop-cli")
[ "$with_app" = 1 ] && programs+=("$bindir/zinop")
for program in "${programs[@]}"; do
    [ -x "$root/$program" ] || fail "$program is not executable"
done
if [ "$with_app" = 1 ]; then
    for size in 16 48 256; do
        png=$root/$datadir/icons/hicolor/${size}x${size}/apps/zinop.png
        [ "$(head -c 8 "$png" | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ] ||
            fail "$png is no PNG"
        # IHDR width and height, big-endian, bytes 16..23.
        [ "$(od -An -tu1 -j16 -N8 "$png" | tr -s ' ' | sed 's/^ //')" = \
            "0 0 $((size >> 8)) $((size & 255)) 0 0 $((size >> 8)) $((size & 255))" ] ||
            fail "$png is not ${size}x${size}"
    done
    grep -q '^Exec=zinop %F$' "$root/$datadir/applications/zinop.desktop" || fail "Exec line"
    grep -q 'image/png;' "$root/$datadir/applications/zinop.desktop" || fail "MIME types"
fi
for page in readme.htm image/operation.htm image/setting.htm image/menu.htm; do
    ! grep -qi '<script' "$root/$helpdir/$page" || fail "$page holds a script"
done

# The manual page names every option zinop-cli --help lists.
man_text=$(gzip -dc "$root/$mandir/man1/zinop-cli.1.gz" | sed 's/\\-/-/g')
for option in $("$root/$bindir/zinop-cli" --help | grep -o -- '--[a-z][a-z0-9-]*' | sort -u); do
    grep -q -- "$option" <<<"$man_text" || fail "zinop-cli.1 lacks $option"
done

# The installed zinop-cli, as an installed program: its own and its plug-in
# folder read-only, settings under XDG_CONFIG_HOME.
cli=$root/$bindir/zinop-cli
mkdir -p "$work/home" "$work/config" "$work/pictures" "$work/out"
export HOME=$work/home XDG_CONFIG_HOME=$work/config LANG=C
unset LC_ALL
"$cli" convert "$samples/test-card.bmp" "$work/pictures/card.png" || fail "convert to PNG"
chmod -R a-w "$root"

listing=$("$cli" plugins)
echo "$listing"
grep -qx "Plug-in folder: $root/$plugindir/" <<<"$listing" || fail "plug-in folder"
grep -qx "Settings file: $XDG_CONFIG_HOME/zinop/Zinop.ini" <<<"$listing" || fail "settings file"
for plugin in ifgif ifjpeg ifpng iftiff ifwebp; do
    grep -q "^$plugin.spi: loaded" <<<"$listing" || fail "$plugin.spi not loaded"
done

"$cli" reduce -c 16 -f png -o "$work/out" "$work/pictures/card.png" || fail "reduce a PNG"
info=$("$cli" info "$work/out/card.png") || fail "info on the result"
[[ $info == *" / 16 color(s)." ]] || fail "result has not 16 colours: $info"

# The settings file under XDG_CONFIG_HOME is the one in force: disabling the
# PNG plug-in there makes PNG files unreadable.
mkdir -p "$XDG_CONFIG_HOME/zinop"
printf '[zinop]\nVersion=35\n[plugins]\nifpng.spi=0\n' >"$XDG_CONFIG_HOME/zinop/Zinop.ini"
grep -q '^ifpng.spi: disabled' <<<"$("$cli" plugins)" || fail "disabled list not read"
if "$cli" info "$work/pictures/card.png" >/dev/null 2>&1; then
    fail "a disabled PNG plug-in still read the file"
fi

# Nothing was written into the install tree.
[ -z "$(find "$root" -newer "$work/found" -type f)" ] || fail "files written into the install tree"
[ ! -e "$root/$bindir/Zinop.ini" ] || fail "Zinop.ini beside the installed program"
echo "install layout and installed zinop-cli: ok"
