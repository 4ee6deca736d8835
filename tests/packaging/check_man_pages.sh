#!/bin/sh
# Usage: check_man_pages.sh <quorvex-server> <quorvex-server.6> <quorvex-client.6> <quorvex-client>
# Both pages render without a warning; the server's names every option its --help lists, the
# client's every option its --help lists.
set -eu
server=$1 server_page=$2 client_page=$3 client=$4
render() { MANWIDTH=200 man -E ascii -l "$1"; }
for page in "$server_page" "$client_page"; do
    warnings=$(MANWIDTH=80 man --warnings -E UTF-8 -l "$page" 2>&1 >/dev/null)
    if [ -n "$warnings" ]; then
        echo "$page: $warnings"
        exit 1
    fi
    render "$page" | grep -q '^OPTIONS' || { echo "$page renders no OPTIONS"; exit 1; }
done
names() {
    page=$1
    shift
    for option in "$@"; do
        render "$page" | grep -q -e "$option" || { echo "$page does not name $option"; exit 1; }
    done
}
names "$server_page" $("$server" --help | grep -o -e '--[a-z-]*' | sort -u) \
    --bots --bot-skill --password "TCP port 4000" "UDP port 4000" "Please enter the number"
names "$client_page" $("$client" --help | grep -o -e '--[a-z-]*' | sort -u) \
    --host --name --bot --skill --help --version \
    "TCP port 4000" "UDP port 4000" "Please enter a hostname/IP address" "Playername?"
echo "both man pages render and name every option"
