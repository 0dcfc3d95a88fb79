#!/usr/bin/env bash
# netlab.sh - build and destroy one Nodewick test network lab (network namespaces).
#
#   netlab.sh up --id ID [options]    build lab ID, print its facts as key=value lines
#   netlab.sh down --id ID            stop its processes, delete its namespaces and temp dir
#   netlab.sh gc                      do "down" for every lab whose owner process is gone
#
# ID is OWNERPID or OWNERPID-TAG (TAG: letters and digits). The lab lives while
# process OWNERPID lives; "gc" removes labs whose owner is dead. All names carry
# the ID: namespaces nwl-ID-s (scanner), nwl-ID-b (bridge), nwl-ID-h0, nwl-ID-h1, ...
# (hosts), temp dir ${NODEWICK_LAB_TMP:-/tmp}/nwl-ID.
#
# Options of "up":
#   --scanner-addr A/P     scanner address, repeatable, in order: the first goes on eth0
#                          (veth to the bridge), each further one on its own interface
#                          dum1, dum2, ... (a dummy device; an ifb device where the kernel
#                          has no dummy support - same flags, NOARP, drops what it is sent).
#                          Default 198.18.0.1/24.
#   --scanner-loopback-only   scanner namespace with only lo: no bridge, no hosts.
#   --host KIND,ADDR[/P][,NAME,WORKGROUP[,MAC[,EXTRA]]]   repeatable; KIND is
#                          nmbd (NAME,WORKGROUP), nonetbios, or responder (NAME,WORKGROUP,
#                          MAC, optional EXTRA = --extra-names-count). P defaults to the
#                          prefix length of the first scanner address.
#   --host-range I,CIDR    repeatable: host I (0-based, in --host order) holds CIDR too: a
#                          local route in the host, a route via the host's address in the
#                          scanner. A responder host then answers on every such address.
#   --hosts-entry ADDR,NAME   a line for the scanner's hosts file (after 127.0.0.1 localhost)
#   --dns unreachable|silent  resolv.conf for the scanner: unreachable names 198.19.255.54
#                          (an "unreachable" route: lookups fail at once); silent names
#                          198.19.255.53, routed to sil0 where packets vanish.
#   --silent-route CIDR    repeatable: route CIDR to sil0 in the scanner namespace
#                          (a NOARP device that drops everything: no ARP, no answer, no error)
#   --responder PATH       the nbstat_responder binary (needed for nmbd and responder hosts:
#                          it also serves as the probe that waits until a peer answers)
#   --wait-seconds S       how long to wait for nmbd/responder peers to answer (default 20)
#
# Every host namespace has lo up, eth0 (veth to the bridge) with its address,
# net.ipv4.icmp_ratelimit=0 and icmp_ratemask=0 (every probe is answered, however
# fast they come) and no default route; the scanner has none either.
# The kernel keeps one neighbour (ARP) table for all network namespaces, 1024 entries
# (gc_thresh3) in all: a scan elsewhere on the machine can fill it, and then a packet
# that needs a new entry is dropped. So every neighbour the lab itself defines is a
# permanent entry, which that limit neither counts nor evicts: scanner and hosts know
# each other's MACs and their subnet's broadcast, the scanner's lo has its one entry,
# and silent routes go via one permanent next hop on sil0 (not one entry per address).
# Nothing can leave the lab. Needs root, bash, iproute2 (ip), coreutils and, for
# nmbd hosts, Samba's nmbd.
set -u -o pipefail
export PATH="/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin${PATH:+:$PATH}"
export LC_ALL=C

BASE=${NODEWICK_LAB_TMP:-/tmp}
SILENT_DNS=198.19.255.53
SILENT_HOP=198.19.255.1
UNREACHABLE_DNS=198.19.255.54

say() { echo "netlab: $*" >&2; }

# read_stat PID: sets ST_STATE and ST_START (fields 3 and 22 of /proc/PID/stat), no fork.
ST_STATE='' ST_START=''
read_stat() {
  local s a
  { read -r s <"/proc/$1/stat"; } 2>/dev/null || return 1
  s=${s##*) }
  read -r -a a <<<"$s"
  ST_STATE=${a[0]} ST_START=${a[19]}
}
starttime() { read_stat "$1" && echo "$ST_START"; }
# alive PID [STARTTIME]: running (not a zombie) and, when given, started at STARTTIME.
alive() {
  read_stat "$1" || return 1
  [[ $ST_STATE != Z && $ST_STATE != X ]] && [[ -z ${2:-} || $ST_START == "$2" ]]
}

valid_id() { [[ $1 =~ ^[0-9]+(-[0-9A-Za-z]+)?$ ]]; }

lab_namespaces() { # ID -> this lab's namespaces
  local id=$1 n
  ip netns list 2>/dev/null | while read -r n _; do
    [[ $n == "nwl-$id-s" || $n == "nwl-$id-b" || $n =~ ^nwl-$id-h[0-9]+$ ]] && echo "$n"
  done
}

# Stops PIDs (each "PID" or "PID:STARTTIME"): TERM, bounded wait, KILL.
stop_pids() {
  local p pid st left=() i
  for p in "$@"; do
    pid=${p%%:*}; st=; [[ $p == *:* ]] && st=${p#*:}
    alive "$pid" "$st" && kill -TERM "$pid" 2>/dev/null && left+=("$p")
  done
  for ((i = 0; i < 100 && ${#left[@]} > 0; i++)); do   # up to ~5 s
    sleep 0.05
    local still=()
    for p in "${left[@]}"; do
      pid=${p%%:*}; st=; [[ $p == *:* ]] && st=${p#*:}
      alive "$pid" "$st" && still+=("$p")
    done
    left=("${still[@]+"${still[@]}"}")
  done
  for p in "${left[@]+"${left[@]}"}"; do
    pid=${p%%:*}; st=; [[ $p == *:* ]] && st=${p#*:}
    if alive "$pid" "$st"; then
      say "pid $pid did not stop on SIGTERM, sending SIGKILL"
      kill -KILL "$pid" 2>/dev/null
    fi
  done
}

do_down() {
  local id=$1 dir="$BASE/nwl-$1" pid pids=() line
  if [[ -f $dir/pids ]]; then
    while read -r pid line; do
      [[ $pid =~ ^[0-9]+$ ]] && pids+=("$pid:${line%% *}")
    done <"$dir/pids"
  fi
  local nss; nss=$(lab_namespaces "$id")
  if [[ -n $nss ]]; then
    # Anything else still running inside this lab's namespaces is the lab's too.
    for pid in $(printf 'netns pids %s\n' $nss | timeout 15 ip -force -batch - 2>/dev/null); do
      [[ $pid == "$$" || $pid == "$BASHPID" ]] && continue
      read_stat "$pid" && pids+=("$pid:$ST_START")
    done
  fi
  ((${#pids[@]})) && stop_pids "${pids[@]}"
  if [[ -n $nss ]]; then
    printf 'netns del %s\n' $nss | timeout 15 ip -force -batch - >/dev/null 2>&1
    [[ -z $(lab_namespaces "$id") ]] || say "could not delete all namespaces of lab $id"
  fi
  [[ -d $dir ]] && rm -rf -- "$dir"
  return 0
}

owner_alive() { # ID
  local id=$1 owner=${1%%-*} f="$BASE/nwl-$1/owner" opid ost
  if [[ -r $f ]] && read -r opid ost <"$f" && [[ $opid == "$owner" ]]; then
    alive "$opid" "$ost"
  else
    alive "$owner"
  fi
}

do_gc() {
  local ids=() n d id
  while read -r n _; do
    [[ $n =~ ^nwl-([0-9]+(-[0-9A-Za-z]+)?)-(s|b|h[0-9]+)$ ]] && ids+=("${BASH_REMATCH[1]}")
  done < <(ip netns list 2>/dev/null)
  for d in "$BASE"/nwl-*; do
    [[ -d $d ]] || continue
    id=${d##*/nwl-}
    valid_id "$id" && ids+=("$id")
  done
  ((${#ids[@]})) || return 0
  for id in $(printf '%s\n' "${ids[@]}" | sort -u); do
    if ! owner_alive "$id"; then
      say "gc: removing lab $id (owner ${id%%-*} is gone)"
      do_down "$id"
    fi
  done
}

# ---------------------------------------------------------------- up
ID='' LOOPBACK_ONLY=0 DNS=unreachable RESPONDER='' WAIT_S=20
SADDRS=() HOSTS=() HOSTS_ENTRIES=() SILENT_ROUTES=() HOST_RANGES=()

fail() {
  say "up: $*"
  do_down "$ID" >/dev/null 2>&1
  exit 1
}

# x CMD...: run, fail the lab with CMD's message when it fails.
x() {
  local out
  out=$("$@" 2>&1) || fail "'$*' failed: $out"
}

ns_add() { # (ip itself serialises "netns add" with a flock on /run/netns)
  x timeout 30 ip netns add "$1"
}

STUB_KIND=
stub_add() { # NS NAME: a dummy-like device (dummy, else ifb)
  if [[ -z $STUB_KIND ]]; then
    if ip -n "$1" link add "$2" type dummy 2>/dev/null; then STUB_KIND=dummy; return; fi
    STUB_KIND=ifb
  fi
  x ip -n "$1" link add "$2" type "$STUB_KIND"
}

is_ipv4() { [[ $1 =~ ^([0-9]{1,3})\.([0-9]{1,3})\.([0-9]{1,3})\.([0-9]{1,3})$ ]]; }

bcast_of() { # A.B.C.D/P -> the subnet's broadcast address (nothing for /31 and /32)
  local p=${1#*/} o1 o2 o3 o4 n
  ((p < 31)) || return 0
  IFS=. read -r o1 o2 o3 o4 <<<"${1%/*}"
  n=$(((o1 << 24 | o2 << 16 | o3 << 8 | o4) | ((1 << (32 - p)) - 1)))
  echo "$((n >> 24 & 255)).$((n >> 16 & 255)).$((n >> 8 & 255)).$((n & 255))"
}

neigh_bcast() { # A.B.C.D/P: the batch line pinning that subnet's broadcast on eth0, if it has one
  local b; b=$(bcast_of "$1")
  [[ -z $b ]] || printf '\nneigh replace %s lladdr ff:ff:ff:ff:ff:ff dev eth0 nud permanent' "$b"
}

# batch_mac NS BATCH: runs BATCH with "ip -n NS -batch", then sets MAC to NS's eth0 address.
MAC=
batch_mac() {
  local out
  out=$(ip -o -n "$1" -batch - <<<"$2
link show dev eth0" 2>&1) || fail "'ip -n $1 -batch' failed: $out"
  [[ $out =~ link/ether\ ([0-9a-f:]{17}) ]] || fail "no MAC on eth0 in $1: $out"
  MAC=${BASH_REMATCH[1]}
}

write_smb_conf() { # DIR NAME WORKGROUP
  local d=$1
  cat >"$d/smb.conf" <<EOF
# generated by netlab.sh for lab $ID
[global]
    netbios name = $2
    workgroup = $3
    dos charset = CP850
    server role = standalone server
    interfaces = eth0
    bind interfaces only = yes
    local master = no
    domain master = no
    preferred master = no
    os level = 0
    wins support = no
    wins proxy = no
    dns proxy = no
    load printers = no
    lock directory = $d/lock
    state directory = $d/state
    cache directory = $d/cache
    private dir = $d/private
    pid directory = $d/pid
    ncalrpc dir = $d/ncalrpc
    nmbd:socket dir = $d/nmbdsock
    max log size = 1000
    log level = 1
EOF
}

do_up() {
  [[ -n $ID ]] || { say "up: --id is required"; exit 2; }
  valid_id "$ID" || { say "up: bad --id '$ID' (want OWNERPID or OWNERPID-TAG)"; exit 2; }
  [[ $(id -u) == 0 ]] || { say "up: needs root"; exit 1; }
  command -v ip >/dev/null || { say "up: ip (iproute2) not found"; exit 1; }
  local owner=${ID%%-*}
  alive "$owner" || { say "up: owner process $owner is not running"; exit 1; }
  local T="$BASE/nwl-$ID" NS="nwl-$ID"
  if [[ -e $T || -n $(lab_namespaces "$ID") ]]; then say "up: lab $ID exists already"; exit 1; fi

  ((${#SADDRS[@]})) || SADDRS=(198.18.0.1/24)
  local a
  for a in "${SADDRS[@]}"; do
    [[ $a == */* ]] && is_ipv4 "${a%/*}" || { say "up: bad --scanner-addr '$a' (want A.B.C.D/P)"; exit 2; }
  done
  if ((LOOPBACK_ONLY)); then
    ((${#HOSTS[@]} == 0)) || { say "up: --scanner-loopback-only takes no hosts"; exit 2; }
    ((${#SILENT_ROUTES[@]} == 0)) && [[ $DNS != silent ]] ||
      { say "up: --scanner-loopback-only takes no silent routes and no silent DNS"; exit 2; }
  fi
  local nmbd_needed=0 h r
  for r in "${HOST_RANGES[@]+"${HOST_RANGES[@]}"}"; do
    [[ $r =~ ^([0-9]+),([0-9.]+)/([0-9]+)$ ]] && ((BASH_REMATCH[1] < ${#HOSTS[@]})) && is_ipv4 "${BASH_REMATCH[2]}" ||
      { say "up: bad --host-range '$r' (want I,A.B.C.D/P with I a host index)"; exit 2; }
  done
  for h in "${HOSTS[@]+"${HOSTS[@]}"}"; do
    case ${h%%,*} in
      nmbd) nmbd_needed=1 ;;
      responder | nonetbios) ;;
      *) say "up: bad host kind in '$h'"; exit 2 ;;
    esac
  done
  if ((nmbd_needed)) && ! command -v nmbd >/dev/null; then say "up: nmbd (samba) not found"; exit 1; fi
  if [[ " ${HOSTS[*]+"${HOSTS[*]}"}" =~ (^|[[:space:]])(nmbd|responder), ]] && [[ ! -x $RESPONDER ]]; then
    say "up: --responder PATH (nbstat_responder) is required for nmbd and responder hosts"; exit 2
  fi

  mkdir -p "$BASE" && mkdir -m 700 "$T" || { say "up: cannot create $T"; exit 1; }
  echo "$owner $(starttime "$owner")" >"$T/owner"
  : >"$T/pids"
  mkdir -p "$T/scanner"

  # Namespaces, then one "ip -batch" per namespace (each ip run costs ~30 ms).
  local S="$NS-s" B="$NS-b" prefix=${SADDRS[0]#*/} i
  ns_add "$S"
  ((LOOPBACK_ONLY)) || ns_add "$B"
  local kinds=() addrs=() names=() wgs=() macs=() extras=() kind addr name wg mac extra
  for h in "${HOSTS[@]+"${HOSTS[@]}"}"; do
    IFS=, read -r kind addr name wg mac extra <<<"$h"
    [[ $addr == */* ]] || addr="$addr/$prefix"
    is_ipv4 "${addr%/*}" || fail "bad host address in '$h'"
    case $kind in
      nmbd) [[ -n $name && -n $wg ]] || fail "nmbd host '$h' needs NAME,WORKGROUP" ;;
      responder) [[ -n $name && -n $wg && -n $mac ]] || fail "responder host '$h' needs NAME,WORKGROUP,MAC" ;;
    esac
    kinds+=("$kind") addrs+=("$addr") names+=("$name") wgs+=("$wg") macs+=("$mac") extras+=("$extra")
  done
  for i in "${!kinds[@]}"; do ns_add "$NS-h$i"; done

  if ((!LOOPBACK_ONLY)); then
    local bb="link set lo up
link add br0 type bridge
link set br0 up
link add s0 type veth peer name eth0 netns $S
link set s0 master br0 up"
    for i in "${!kinds[@]}"; do
      bb+="
link add h$i type veth peer name eth0 netns $NS-h$i
link set h$i master br0 up"
    done
    x ip -n "$B" -batch - <<<"$bb"
  fi

  local sb="link set lo up
neigh replace 127.0.0.1 lladdr 00:00:00:00:00:00 dev lo nud permanent"
  if ((!LOOPBACK_ONLY)); then
    sb+="
addr add ${SADDRS[0]} brd + dev eth0
link set eth0 up$(neigh_bcast "${SADDRS[0]}")"
    for ((i = 1; i < ${#SADDRS[@]}; i++)); do
      stub_add "$S" "dum$i"
      sb+="
addr add ${SADDRS[i]} brd + dev dum$i
link set dum$i up"
    done
    if ((${#SILENT_ROUTES[@]})) || [[ $DNS == silent ]]; then
      stub_add "$S" sil0
      sb+="
link set sil0 arp off
link set sil0 up
neigh replace $SILENT_HOP lladdr 00:00:00:00:00:00 dev sil0 nud permanent"
      local r
      for r in "${SILENT_ROUTES[@]+"${SILENT_ROUTES[@]}"}"; do sb+="
route add $r via $SILENT_HOP dev sil0 onlink"; done
      [[ $DNS == silent ]] && sb+="
route add $SILENT_DNS/32 via $SILENT_HOP dev sil0 onlink"
    fi
  fi
  [[ $DNS == unreachable ]] && sb+="
route add unreachable $UNREACHABLE_DNS/32"
  for r in "${HOST_RANGES[@]+"${HOST_RANGES[@]}"}"; do
    i=${r%%,*}
    sb+="
route add ${r#*,} via ${addrs[i]%/*}"
  done
  local smac= nb=
  if ((LOOPBACK_ONLY)); then
    x ip -n "$S" -batch - <<<"$sb"
  else
    batch_mac "$S" "$sb"
    smac=$MAC
  fi

  {
    echo "127.0.0.1 localhost"
    local e
    for e in "${HOSTS_ENTRIES[@]+"${HOSTS_ENTRIES[@]}"}"; do echo "${e%%,*} ${e#*,}"; done
  } >"$T/scanner/hosts"
  if [[ $DNS == silent ]]; then
    echo "nameserver $SILENT_DNS" >"$T/scanner/resolv.conf"
  else
    echo "nameserver $UNREACHABLE_DNS" >"$T/scanner/resolv.conf"
  fi

  # Host namespaces: address, then the host's program (nmbd, responder or none),
  # started by a shell that first sets icmp_ratelimit=0 in the namespace.
  local hn hd pid used=" " waits=() hb lmac
  local setup='echo 0 >/proc/sys/net/ipv4/icmp_ratelimit && echo 0 >/proc/sys/net/ipv4/icmp_ratemask || exit 111
[ $# -eq 0 ] || exec "$@"'
  for i in "${!kinds[@]}"; do
    kind=${kinds[i]} addr=${addrs[i]} name=${names[i]} wg=${wgs[i]} mac=${macs[i]} extra=${extras[i]}
    hn="$NS-h$i"
    hd="$T/h$i"
    mkdir -p "$hd"
    hb="link set lo up"
    if [[ $kind == responder ]]; then
      # The host's interface carries the MAC that the responder reports, as a real
      # machine's would, unless the MAC is not a unicast one or another host has it.
      lmac=${mac//-/:}
      if [[ $lmac =~ ^[0-9A-Fa-f]{2}(:[0-9A-Fa-f]{2}){5}$ ]] && ((!(0x${lmac:0:2} & 1))) &&
        [[ $lmac != 00:00:00:00:00:00 && $used != *" ${lmac,,} "* ]]; then
        hb+="
link set eth0 address $lmac"
        used+="${lmac,,} "
      fi
    fi
    hb+="
addr add $addr brd + dev eth0
link set eth0 up
neigh replace ${SADDRS[0]%/*} lladdr $smac dev eth0 nud permanent$(neigh_bcast "$addr")"
    local ranged=0
    for r in "${HOST_RANGES[@]+"${HOST_RANGES[@]}"}"; do
      [[ ${r%%,*} == "$i" ]] || continue
      ranged=1
      hb+="
route add local ${r#*,} dev lo"
    done
    batch_mac "$hn" "$hb"
    nb+="${nb:+
}neigh replace ${addr%/*} lladdr $MAC dev eth0 nud permanent"
    pid=
    case $kind in
      nmbd)
        mkdir -p "$hd"/{lock,state,cache,private,pid,ncalrpc,log,nmbdsock}
        write_smb_conf "$hd" "$name" "$wg"
        ip netns exec "$hn" sh -c "$setup" sh nmbd -F --no-process-group -s "$hd/smb.conf" -l "$hd/log" \
          </dev/null >"$hd/log/stdout" 2>&1 &
        pid=$!
        # nmbd puts its name on the wire in its DOS code page.
        waits+=("$i,$pid,${addr%/*},$(printf %s "$name" | iconv -f UTF-8 -t CP850),$hd/log/log.nmbd")
        ;;
      responder)
        local args=(--addr "${addr%/*}" --name "$name" --workgroup "$wg" --mac "$mac")
        [[ -n $extra ]] && args+=(--extra-names-count "$extra")
        ((ranged)) && args+=(--any-addr)
        ip netns exec "$hn" sh -c "$setup" sh "$RESPONDER" "${args[@]}" </dev/null >"$hd/responder.log" 2>&1 &
        pid=$!
        waits+=("$i,$pid,${addr%/*},$name,$hd/responder.log")
        ;;
      nonetbios)
        x ip netns exec "$hn" sh -c "$setup"
        ;;
    esac
    [[ -n $pid ]] && echo "$pid $(starttime "$pid") h$i $kind" >>"$T/pids"
    echo "host_ns_$i=$hn" >>"$T/facts"
    [[ -n $pid ]] && echo "host_pid_$i=$pid" >>"$T/facts"
  done

  [[ -z $nb ]] || x ip -n "$S" -batch - <<<"$nb"

  # Wait until every nmbd / responder answers a node status request from the scanner.
  # Probes run in slices of at most 1 s, so that a peer that died is noticed at once.
  local deadline=$((SECONDS + WAIT_S)) w log out
  for w in "${waits[@]+"${waits[@]}"}"; do
    IFS=, read -r i pid addr name log <<<"$w"
    until out=$(ip netns exec "$S" "$RESPONDER" --probe "$addr" --expect "$name" --timeout-ms 1000 2>&1); do
      alive "$pid" || fail "host $i ($addr) exited early: $(tail -n 5 "$log" 2>/dev/null)"
      ((SECONDS < deadline)) || fail "host $i ($addr) did not answer a node status request within ${WAIT_S}s: $out"
    done
  done

  echo "id=$ID"
  echo "tmpdir=$T"
  echo "scanner_ns=$S"
  ((LOOPBACK_ONLY)) || echo "bridge_ns=$B"
  echo "hosts_file=$T/scanner/hosts"
  echo "resolv_conf=$T/scanner/resolv.conf"
  [[ $DNS == silent ]] && echo "dns_server=$SILENT_DNS" || echo "dns_server=$UNREACHABLE_DNS"
  [[ -n $STUB_KIND ]] && echo "stub_kind=$STUB_KIND"
  [[ -f $T/facts ]] && cat "$T/facts"
  return 0
}

# ---------------------------------------------------------------- main
cmd=${1:-}
shift || true
while (($#)); do
  case $1 in
    --id) ID=${2:-}; shift ;;
    --scanner-addr) SADDRS+=("${2:-}"); shift ;;
    --scanner-loopback-only) LOOPBACK_ONLY=1 ;;
    --host) HOSTS+=("${2:-}"); shift ;;
    --hosts-entry) HOSTS_ENTRIES+=("${2:-}"); shift ;;
    --dns) DNS=${2:-}; shift ;;
    --silent-route) SILENT_ROUTES+=("${2:-}"); shift ;;
    --host-range) HOST_RANGES+=("${2:-}"); shift ;;
    --responder) RESPONDER=${2:-}; shift ;;
    --wait-seconds) WAIT_S=${2:-}; shift ;;
    *) say "unknown argument '$1'"; exit 2 ;;
  esac
  shift
done
[[ $DNS == unreachable || $DNS == silent ]] || { say "--dns must be unreachable or silent"; exit 2; }
[[ $WAIT_S =~ ^[0-9]+$ ]] || { say "--wait-seconds must be a number"; exit 2; }

case $cmd in
  up) do_up ;;
  down)
    valid_id "$ID" || { say "down: --id OWNERPID[-TAG] is required"; exit 2; }
    [[ $(id -u) == 0 ]] || { say "down: needs root"; exit 1; }
    do_down "$ID"
    ;;
  gc)
    [[ $(id -u) == 0 ]] || { say "gc: needs root"; exit 1; }
    do_gc
    ;;
  *)
    sed -n '2,/^set -u/{/^#/s/^# \{0,1\}//p}' "$0" >&2
    exit 2
    ;;
esac
