# What the packaging checks share; sourced by check-install and check-deb.

failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}
finish() {
  ((failures == 0)) || echo "$failures check(s) failed"
  exit $((failures > 0))
}

# The version text the program shows, "v.2018.04.06.02", without its "v.".
program_version() {
  local version
  version=$(sed -n 's/.*PROGRAM_VERSION\[\] = "v\.\([0-9.]*\)".*/\1/p' "$1")
  [[ -n "$version" ]] || {
    echo "no version text in $1" >&2
    return 1
  }
  echo "$version"
}

theme_sizes=(16 24 32 48 64 128 256)

# Every file an install puts below its prefix, sorted; nothing else may be there (znl-service, for
# one, is never part of the client).
installed_files() {
  {
    printf '%s\n' bin/ZNLClient bin/znl-client share/applications/znlclient.desktop \
      share/metainfo/znlclient.metainfo.xml lib/systemd/user/znl-client.service
    for size in "${theme_sizes[@]}"; do
      echo "share/icons/hicolor/${size}x${size}/apps/znlclient.png"
    done
  } | LC_ALL=C sort
}
