#!/usr/bin/env bash
# Runs one retrieval test program with its local servers, each on a free port of
# 127.0.0.1: a pyftpdlib FTP server and a Python HTTP server, each serving a fresh
# folder (the HTTP one also over https, with a certificate of the test CA and with a
# self-signed one), tinyproxy with BasicAuth and Debian's ftp-proxy. The test finds them through VORMS_FTP_PORT,
# VORMS_SILENT_PORT, VORMS_FTP_ROOT, VORMS_HTTP_PORT, VORMS_HTTP_ROOT and
# VORMS_PROXY_PORT, VORMS_FTP_PROXY_PORT, VORMS_HTTPS_PORT, VORMS_ROGUE_HTTPS_PORT and VORMS_TEST_CA; the servers are stopped when the test ends, however it ends.
#   with_servers.sh WINE_RUN TEST_PROGRAM [ARGS...]
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
wine_run="$1"; shift

work="$(mktemp -d /tmp/vorms-retrieval.XXXXXX)"
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

mkdir -p "$work/ftp"
/usr/bin/python3 "$here/ftp_server.py" "$work/ftp" "$work/ftp.port" >"$work/ftp.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do [ -f "$work/ftp.port" ] && break; sleep 0.1; done
[ -f "$work/ftp.port" ] || { echo "FTP server did not start:"; cat "$work/ftp.log"; exit 1; }
read -r ftp_port silent_port <"$work/ftp.port"

wait_for_file() {
  for _ in $(seq 100); do [ -s "$1" ] && return 0; sleep 0.1; done
  echo "a test server did not start:"; cat "$2"; exit 1
}
# A free port below 32768: the proxy ports are stored as 16-bit numbers.
free_port() {
  /usr/bin/python3 - <<'PY'
import random, socket
for _ in range(200):
    p = random.randint(20000, 32000)
    s = socket.socket()
    try:
        s.bind(("127.0.0.1", p))
    except OSError:
        continue
    finally:
        s.close()
    print(p)
    break
PY
}

mkdir -p "$work/http"
/usr/bin/python3 "$here/http_server.py" "$work/http" "$work/http.port" >"$work/http.log" 2>&1 &
pids+=($!)
wait_for_file "$work/http.port" "$work/http.log"
read -r http_port <"$work/http.port"

# https: a test CA made here, which only the https tests add to the prefix's Root store.
(
  cd "$work"
  openssl req -x509 -newkey rsa:2048 -nodes -keyout ca.key -out ca.pem -days 30 \
    -subj "/CN=Vorms Test CA" -addext "basicConstraints=critical,CA:TRUE" \
    -addext "keyUsage=critical,keyCertSign,cRLSign"
  openssl req -newkey rsa:2048 -nodes -keyout server.key -out server.csr -subj "/CN=127.0.0.1"
  printf "subjectAltName=IP:127.0.0.1,DNS:127.0.0.1\nextendedKeyUsage=serverAuth\nbasicConstraints=CA:FALSE\n" >server.ext
  openssl x509 -req -in server.csr -CA ca.pem -CAkey ca.key -CAcreateserial -out server.pem \
    -days 30 -extfile server.ext
  # A certificate that no trusted authority issued.
  openssl req -x509 -newkey rsa:2048 -nodes -keyout rogue.key -out rogue.pem -days 30 \
    -subj "/CN=127.0.0.1" -addext "subjectAltName=IP:127.0.0.1"
) >"$work/openssl.log" 2>&1 || { cat "$work/openssl.log"; exit 1; }
/usr/bin/python3 "$here/http_server.py" "$work/http" "$work/https.port" "$work/server.pem" \
  "$work/server.key" >"$work/https.log" 2>&1 &
pids+=($!)
wait_for_file "$work/https.port" "$work/https.log"
read -r https_port <"$work/https.port"
/usr/bin/python3 "$here/http_server.py" "$work/http" "$work/rogue.port" "$work/rogue.pem" \
  "$work/rogue.key" >"$work/rogue.log" 2>&1 &
pids+=($!)
wait_for_file "$work/rogue.port" "$work/rogue.log"
read -r rogue_port <"$work/rogue.port"

# tinyproxy with BasicAuth: the HTTP proxy.
proxy_port="$(free_port)"
cat >"$work/tinyproxy.conf" <<CONF
Port $proxy_port
Listen 127.0.0.1
Timeout 120
MaxClients 20
LogFile "$work/tinyproxy.log"
LogLevel Warning
PidFile "$work/tinyproxy.pid"
BasicAuth proxyuser proxypw
ConnectPort 443
ConnectPort $http_port
CONF
tinyproxy -d -c "$work/tinyproxy.conf" >>"$work/tinyproxy.out" 2>&1 &
pids+=($!)
for _ in $(seq 100); do
  (exec 3<>"/dev/tcp/127.0.0.1/$proxy_port") 2>/dev/null && break
  sleep 0.1
done

# Debian's ftp-proxy: an FTP gateway that logs on to user@host:port for its client.
ftp_proxy_port="$(free_port)"
cat >"$work/ftp-proxy.conf" <<CONF
[-Global-]
Listen 127.0.0.1
Port $ftp_proxy_port
DestinationAddress 127.0.0.1
DestinationPort $ftp_port
AllowMagicUser yes
ServerType standalone
PidFile $work/ftp-proxy.pid
LogDestination $work/ftp-proxy.log
CONF
ftp-proxy -d -n -f "$work/ftp-proxy.conf" >>"$work/ftp-proxy.out" 2>&1 &
pids+=($!)
for _ in $(seq 100); do
  (exec 3<>"/dev/tcp/127.0.0.1/$ftp_proxy_port") 2>/dev/null && break
  sleep 0.1
done

export VORMS_FTP_PROXY_PORT="$ftp_proxy_port" VORMS_HTTPS_PORT="$https_port" VORMS_ROGUE_HTTPS_PORT="$rogue_port" VORMS_TEST_CA="$work/ca.pem"
export VORMS_FTP_PORT="$ftp_port" VORMS_SILENT_PORT="$silent_port" VORMS_FTP_ROOT="$work/ftp"
export VORMS_HTTP_PORT="$http_port" VORMS_HTTP_ROOT="$work/http" VORMS_PROXY_PORT="$proxy_port"
"$wine_run" "$@"
