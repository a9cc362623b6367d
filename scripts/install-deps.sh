#!/usr/bin/env bash
# Installs what Tipsmith needs and is missing: Debian packages first, then the
# browser-test modules from the npm registry.
#   scripts/install-deps.sh            everything: building, running and testing
#   scripts/install-deps.sh --runtime  only what building and running the program needs
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(
    build-essential cmake pkg-config
    qt6-base-dev qt6-base-dev-tools libjpeg62-turbo-dev libglib2.0-dev
    xvfb xauth fonts-dejavu-core fonts-liberation
)
runtime_only=false
[ "${1:-}" = "--runtime" ] && runtime_only=true
if ! $runtime_only; then
    packages+=(git libgtest-dev libbenchmark-dev libssl-dev clang chromium)
    # Browser tests in Firefox too; the Debian package and its checks.
    packages+=(firefox-esr default-jre-headless lintian desktop-file-utils appstream xdg-utils
               dpkg-dev file shared-mime-info libglib2.0-bin)
    command -v node >/dev/null 2>&1 || packages+=(nodejs)
    command -v npm >/dev/null 2>&1 || packages+=(npm)
fi

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    sudo=()
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    export DEBIAN_FRONTEND=noninteractive
    "${sudo[@]}" apt-get update
    "${sudo[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
fi

# Browser tests drive Debian's chromium and firefox-esr through playwright-core
# and puppeteer-core, and check pages with axe-core and the Nu HTML Checker on
# Debian's Java. Nothing else is downloaded: the packages' install scripts,
# which would fetch browsers or a Java runtime, are not run.
if ! $runtime_only && [ -f e2e/package-lock.json ]; then
    stamp=e2e/node_modules/.installed-from-lock
    if [ ! -f "$stamp" ] || [ e2e/package-lock.json -nt "$stamp" ]; then
        (cd e2e && PLAYWRIGHT_SKIP_BROWSER_DOWNLOAD=1 npm ci --ignore-scripts --no-audit --no-fund)
        touch "$stamp"
    fi
fi
