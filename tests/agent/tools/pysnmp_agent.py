#!/usr/bin/python3
"""A second, independent SNMP agent for the tests: pysnmp's command responder
(its own engine, BER codec and user-based security model) serving a device
profile in the ".snmprec" form of tests/agent/profiles.

Run with Debian's interpreter (/usr/bin/python3, package python3-pysnmp4):

  pysnmp_agent.py --profile P.snmprec [--listen 127.0.0.1] [--listen ::1]
                  [--port 0] [--port-file F] [--read-community public]
                  [--write-community private]
                  [--user NAME:AUTH:AUTHPASS:PRIV:PRIVPASS[:rw]]
                  [--reply-delay-ms N] [--log F] [--log-datagrams]

Every profile object is served by Get, GetNext and GetBulk in numeric OID
order; GetNext answers the next profile object, endOfMibView past the last
(SNMPv1: noSuchName). Set is accepted only on objects marked ":writecache"
and only with the write community or a user marked "rw"; the new value is
kept for later reads. AUTH is MD5, SHA or empty, PRIV DES, AES or empty;
the user's level follows from which are given. Port 0 picks a free port
(the same one on every listen address). Once every socket is bound the agent
writes "PORT\n" to --port-file (written whole, then renamed into place) and
prints "listening on ADDR port PORT" lines on stdout.

Exit codes: 0 after SIGTERM/SIGINT ("stopped by signal" in the log), 2 for bad arguments or a bad profile,
3 when an address cannot be bound.
"""

import argparse
import bisect
import os
import signal
import socket
import sys
import time
import traceback

from pyasn1.type import univ
from pysnmp.carrier.asyncore.dgram import udp, udp6
from pysnmp.entity import config, engine
from pysnmp.entity.rfc3413 import cmdrsp, context
from pysnmp.proto import rfc1902, rfc1905
from pysnmp.proto.api import v2c
from pysnmp.smi import error as smi_error
from pysnmp.smi import instrum


class ProfileError(Exception):
    pass


# ---------------------------------------------------------------------------
# Profiles
# ---------------------------------------------------------------------------

def parse_oid(text):
    if text.startswith('.'):
        text = text[1:]
    parts = text.split('.')
    if not text or any(not p.isdigit() for p in parts):
        raise ProfileError("malformed OID '%s'" % text)
    arcs = tuple(int(p) for p in parts)
    if any(a > 0xFFFFFFFF for a in arcs):
        raise ProfileError("OID arc over 32 bits in '%s'" % text)
    return arcs


def parse_unsigned(text, maximum):
    if not text.isdigit():
        raise ProfileError("not an unsigned decimal number: '%s'" % text)
    value = int(text)
    if value > maximum:
        raise ProfileError("number out of range: '%s'" % text)
    return value


def parse_hex(text):
    if len(text) % 2:
        raise ProfileError('odd number of hex digits')
    try:
        return bytes.fromhex(text)
    except ValueError:
        raise ProfileError('bad hex digit')


def parse_value(tag, hexed, text):
    if hexed and tag not in (4, 64, 68):
        raise ProfileError('hex values are only for types 4, 64 and 68')
    if tag == 2:
        negative = text.startswith('-')
        magnitude = parse_unsigned(text[1:] if negative else text, 2 ** 31 if negative else 2 ** 31 - 1)
        return rfc1902.Integer32(-magnitude if negative else magnitude)
    if tag == 4:
        return rfc1902.OctetString(parse_hex(text) if hexed else text.encode('latin-1'))
    if tag == 5:
        if text:
            raise ProfileError('NULL takes no value')
        return univ.Null('')
    if tag == 6:
        return rfc1902.ObjectName(parse_oid(text))
    if tag == 64:
        if hexed:
            octets = parse_hex(text)
        else:
            quad = parse_oid(text)
            if any(p > 255 for p in quad):
                raise ProfileError('IpAddress part over 255')
            octets = bytes(quad)
        if len(octets) != 4:
            raise ProfileError('IpAddress needs four octets')
        return rfc1902.IpAddress(octets)
    if tag == 65:
        return rfc1902.Counter32(parse_unsigned(text, 0xFFFFFFFF))
    if tag == 66:
        return rfc1902.Gauge32(parse_unsigned(text, 0xFFFFFFFF))
    if tag == 67:
        return rfc1902.TimeTicks(parse_unsigned(text, 0xFFFFFFFF))
    if tag == 68:
        return rfc1902.Opaque(parse_hex(text) if hexed else text.encode('latin-1'))
    if tag == 70:
        return rfc1902.Counter64(parse_unsigned(text, 2 ** 64 - 1))
    raise ProfileError('unsupported type %d' % tag)


def parse_profile(path):
    """{oid tuple: (value, writable)}; raises ProfileError naming the line."""
    objects = {}
    with open(path, 'rb') as f:
        raw = f.read()
    # Profile text is bytes: keep every octet of a plain value as it is.
    for number, line in enumerate(raw.decode('latin-1').split('\n'), 1):
        if line.endswith('\r'):
            line = line[:-1]
        if not line or line.startswith('#'):
            continue
        try:
            fields = line.split('|', 2)
            if len(fields) != 3:
                raise ProfileError('expected OID|TYPE|VALUE')
            oid_text, type_text, value_text = fields
            writable = False
            if ':' in type_text:
                type_text, variation = type_text.split(':', 1)
                if variation != 'writecache':
                    raise ProfileError("unsupported variation '%s'" % variation)
                writable = True
            hexed = type_text.endswith('x')
            if hexed:
                type_text = type_text[:-1]
            tag = parse_unsigned(type_text, 255)
            objects[parse_oid(oid_text)] = (parse_value(tag, hexed, value_text), writable)
        except ProfileError as e:
            raise ProfileError("%s:%d: %s: '%s'" % (path, number, e, line))
    return objects


# ---------------------------------------------------------------------------
# Logging
# ---------------------------------------------------------------------------

class Log(object):
    def __init__(self, path):
        self.file = open(path, 'a', buffering=1) if path else sys.stderr

    def __call__(self, text):
        self.file.write('%s %s\n' % (time.strftime('%H:%M:%S'), text))
        self.file.flush()


def oid_text(oid):
    return '.'.join(str(a) for a in tuple(oid))


def value_text(value):
    if value is None:
        return 'NULL'
    tag = value.tagSet
    if tag == rfc1905.NoSuchObject.tagSet:
        return 'noSuchObject'
    if tag == rfc1905.NoSuchInstance.tagSet:
        return 'noSuchInstance'
    if tag == rfc1905.EndOfMibView.tagSet:
        return 'endOfMibView'
    name = value.__class__.__name__
    if tag in (rfc1902.OctetString.tagSet, rfc1902.IpAddress.tagSet, rfc1902.Opaque.tagSet):
        return '%s %s' % (name, value.asOctets().hex())
    if tag == rfc1902.ObjectName.tagSet:
        return '%s %s' % (name, oid_text(value))
    if tag == univ.Null.tagSet:
        return 'Null'
    return '%s %s' % (name, int(value))


def bindings_text(var_binds):
    return ', '.join('%s=%s' % (oid_text(o), value_text(v)) for o, v in var_binds)


# ---------------------------------------------------------------------------
# The profile as the engine's managed objects
# ---------------------------------------------------------------------------

class ProfileController(instrum.AbstractMibInstrumController):
    """Serves the profile's objects in numeric OID order. Access is checked
    with the engine's view-based access control (the acFun the command
    responder passes in), which also keeps Counter64 out of SNMPv1 GetNext
    answers."""

    def __init__(self, objects, log, engine_ref, user_levels):
        self.objects = dict(objects)
        self.user_levels = user_levels
        self.order = sorted(self.objects)
        self.log = log
        self.engine = engine_ref

    def request_context(self):
        return self.engine.observer.getExecutionContext('rfc3412.receiveMessage:request')

    def request_text(self):
        try:
            ctx = self.request_context()
            model = {1: 'v1', 2: 'v2c', 3: 'v3'}.get(int(ctx['securityModel']), str(ctx['securityModel']))
            return '%s %s' % (model, ctx['securityName'])
        except Exception:
            return '?'

    def check_level(self, var_binds):
        """A user is served only at the security level it was configured
        with or above (this pysnmp release's access control does not hold
        to the level)."""
        ctx = self.request_context()
        if int(ctx['securityModel']) != 3:
            return
        name = bytes(ctx['securityName'].asOctets()).decode('latin-1')
        required = self.user_levels.get(name, 4)
        if int(ctx['securityLevel']) < required:
            self.log('%s refused: security level %d below %d' % (self.request_text(), int(ctx['securityLevel']),
                                                                 required))
            raise smi_error.AuthorizationError(idx=0, name=var_binds[0][0] if var_binds else None)

    @staticmethod
    def _allowed(name, syntax, idx, view, ac_info):
        ac_fun, ac_ctx = ac_info
        if not ac_fun:
            return True
        try:
            # A true result means "not in view".
            return not ac_fun(name, syntax, idx, view, ac_ctx)
        except smi_error.NoAccessError:
            return False

    def _missing(self, name):
        # noSuchInstance when the object type (the name less its last
        # sub-identifier) has instances in the profile, else noSuchObject.
        parent = name[:-1]
        i = bisect.bisect_left(self.order, parent)
        if parent and i < len(self.order) and self.order[i][:len(parent)] == parent:
            return rfc1905.noSuchInstance
        return rfc1905.noSuchObject

    def readVars(self, varBinds, acInfo=(None, None)):
        self.check_level(varBinds)
        out = []
        for idx, (name, _) in enumerate(varBinds):
            key = tuple(name)
            entry = self.objects.get(key)
            if entry is not None and self._allowed(key, entry[0], idx, 'read', acInfo):
                out.append((name, entry[0]))
            else:
                out.append((name, self._missing(key)))
        self.log('GET %s: %s -> %s' % (self.request_text(), bindings_text(varBinds), bindings_text(out)))
        return out

    def readNextVars(self, varBinds, acInfo=(None, None)):
        self.check_level(varBinds)
        out = []
        for idx, (name, _) in enumerate(varBinds):
            i = bisect.bisect_right(self.order, tuple(name))
            while i < len(self.order):
                key = self.order[i]
                value = self.objects[key][0]
                if self._allowed(key, value, idx, 'read', acInfo):
                    out.append((v2c.ObjectIdentifier(key), value))
                    break
                i += 1
            else:
                out.append((name, rfc1905.endOfMibView))
        self.log('GETNEXT %s: %s -> %s' % (self.request_text(), ', '.join(oid_text(o) for o, _ in varBinds),
                                           bindings_text(out)))
        return out

    def writeVars(self, varBinds, acInfo=(None, None)):
        self.check_level(varBinds)
        who = self.request_text()
        # Every binding is checked before any is changed.
        for idx, (name, value) in enumerate(varBinds):
            key = tuple(name)
            entry = self.objects.get(key)
            failure = None
            if entry is None:
                failure = smi_error.NotWritableError
            elif not self._allowed(key, entry[0], idx, 'write', acInfo):
                failure = smi_error.NoAccessError
            elif not entry[1]:
                failure = smi_error.NotWritableError
            elif value.tagSet != entry[0].tagSet:
                failure = smi_error.WrongTypeError
            if failure is not None:
                self.log('SET %s: %s refused: %s' % (who, bindings_text(varBinds), failure.__name__))
                raise failure(idx=idx, name=name)
        for name, value in varBinds:
            key = tuple(name)
            self.objects[key] = (self.objects[key][0].clone(value), True)
        self.log('SET %s: %s' % (who, bindings_text(varBinds)))
        return [(name, self.objects[tuple(name)][0]) for name, _ in varBinds]


# ---------------------------------------------------------------------------
# Transports
# ---------------------------------------------------------------------------

def transport_class(base):
    class Transport(base):
        """A UDP transport that delays every answer (reports included) and
        can log every datagram in hex."""
        delay_s = 0.0
        log = None

        def registerCbFun(self, cbFun):
            def received(transport, address, message):
                if self.log:
                    self.log('RECV from %s: %s' % (address[:2], bytes(message).hex()))
                return cbFun(transport, address, message)
            base.registerCbFun(self, received)

        def sendMessage(self, outgoingMessage, transportAddress):
            if self.delay_s > 0:
                time.sleep(self.delay_s)
            if self.log:
                self.log('SEND to %s: %s' % (tuple(transportAddress)[:2], bytes(outgoingMessage).hex()))
            base.sendMessage(self, outgoingMessage, transportAddress)
    return Transport


Udp4 = transport_class(udp.UdpTransport)
Udp6 = transport_class(udp6.Udp6Transport)


def open_transports(listen, port, delay_s, datagram_log):
    """Binds every listen address to one port; port 0 picks a free one (tried
    again when a later address has it taken). Returns [(domain, transport)]
    and the port."""
    attempts = 20 if port == 0 else 1
    last_error = None
    for _ in range(attempts):
        opened = []
        chosen = port
        try:
            for n, address in enumerate(listen):
                six = ':' in address
                t = (Udp6 if six else Udp4)()
                t.delay_s = delay_s
                t.log = datagram_log
                # Strict binding: no sharing of a port with another socket,
                # and an IPv6 socket does not take the IPv4 port as well.
                t.socket.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 0)
                if six:
                    t.socket.setsockopt(socket.IPPROTO_IPV6, socket.IPV6_V6ONLY, 1)
                opened.append(((udp6.domainName if six else udp.domainName) + (n + 1,), t))
                t.openServerMode((address, chosen))
                if chosen == 0:
                    chosen = t.socket.getsockname()[1]
            return opened, chosen
        except Exception as e:
            last_error = e
            for _, t in opened:
                t.close()
    raise OSError('cannot listen on %s port %d: %s' % (', '.join(listen), port, last_error))


# ---------------------------------------------------------------------------
# Main
# ---------------------------------------------------------------------------

AUTH = {'': config.usmNoAuthProtocol, 'MD5': config.usmHMACMD5AuthProtocol, 'SHA': config.usmHMACSHAAuthProtocol}
PRIV = {'': config.usmNoPrivProtocol, 'DES': config.usmDESPrivProtocol, 'AES': config.usmAesCfb128Protocol}


def parse_user(text):
    fields = text.split(':')
    if len(fields) not in (5, 6) or not fields[0] or (len(fields) == 6 and fields[5] not in ('rw', 'ro')):
        raise ValueError("user '%s': expected NAME:AUTH:AUTHPASS:PRIV:PRIVPASS[:rw]" % text)
    name, auth, auth_pass, priv, priv_pass = fields[:5]
    auth, priv = auth.upper(), priv.upper()
    if auth not in AUTH or priv not in PRIV:
        raise ValueError("user '%s': unknown protocol" % text)
    if priv and not auth:
        raise ValueError("user '%s': privacy needs authentication" % text)
    for protocol, phrase in ((auth, auth_pass), (priv, priv_pass)):
        if protocol and len(phrase) < 8:
            raise ValueError("user '%s': pass phrases have at least 8 characters" % text)
    level = 'authPriv' if priv else ('authNoPriv' if auth else 'noAuthNoPriv')
    return {'name': name, 'auth': auth, 'auth_pass': auth_pass, 'priv': priv, 'priv_pass': priv_pass,
            'level': level, 'writable': len(fields) == 6 and fields[5] == 'rw'}


LEVELS = {'noAuthNoPriv': 1, 'authNoPriv': 2, 'authPriv': 3}


def configure_access(snmp_engine, read_community, write_community, users):
    """Communities (SNMPv1 and SNMPv2c alike) and users, each in a group of
    its own whose write view is "everything" or "nothing". The write view
    of a read-only group is a view that excludes every object: this pysnmp
    release lets a group whose write view has no families write anything."""
    config.addContext(snmp_engine, '')
    config.addVacmView(snmp_engine, 'everything', 'included', (1,), '')
    config.addVacmView(snmp_engine, 'nothing', 'excluded', (1,), '')

    def grant(group, model, security_name, level, writable):
        config.addVacmGroup(snmp_engine, group, model, security_name)
        config.addVacmAccess(snmp_engine, group, '', model, level, 'exact', 'everything',
                             'everything' if writable else 'nothing', 'nothing')

    if read_community and read_community != write_community:
        config.addV1System(snmp_engine, 'read-area', read_community)
        for model in (1, 2):
            grant('read-group', model, 'read-area', 'noAuthNoPriv', False)
    if write_community:
        config.addV1System(snmp_engine, 'write-area', write_community)
        for model in (1, 2):
            grant('write-group', model, 'write-area', 'noAuthNoPriv', True)
    for u in users:
        config.addV3User(snmp_engine, u['name'], AUTH[u['auth']], u['auth_pass'] or None,
                         PRIV[u['priv']], u['priv_pass'] or None)
        grant('user-' + u['name'], 3, u['name'], u['level'], u['writable'])


def write_port_file(path, port):
    temp = path + '.tmp'
    with open(temp, 'w') as f:
        f.write('%d\n' % port)
    os.rename(temp, path)


def main(argv):
    parser = argparse.ArgumentParser(description='pysnmp command responder serving a .snmprec profile')
    parser.add_argument('--profile', required=True)
    parser.add_argument('--listen', action='append', default=[])
    parser.add_argument('--port', type=int, default=0)
    parser.add_argument('--port-file')
    parser.add_argument('--read-community', default='public')
    parser.add_argument('--write-community', default='')
    parser.add_argument('--user', action='append', default=[])
    parser.add_argument('--reply-delay-ms', type=int, default=0)
    parser.add_argument('--log')
    parser.add_argument('--log-datagrams', action='store_true')
    args = parser.parse_args(argv)

    log = Log(args.log)
    listen = args.listen or ['127.0.0.1']
    try:
        if not 0 <= args.port <= 65535 or args.reply_delay_ms < 0:
            raise ValueError('port or delay out of range')
        users = [parse_user(u) for u in args.user]
        objects = parse_profile(args.profile)
    except (ValueError, ProfileError, OSError) as e:
        log('error: %s' % e)
        print('error: %s' % e, file=sys.stderr)
        return 2

    snmp_engine = engine.SnmpEngine()
    try:
        transports, port = open_transports(listen, args.port, args.reply_delay_ms / 1000.0,
                                           log if args.log_datagrams else None)
    except OSError as e:
        log('error: %s' % e)
        print('error: %s' % e, file=sys.stderr)
        return 3
    for domain, t in transports:
        config.addTransport(snmp_engine, domain, t)

    configure_access(snmp_engine, args.read_community, args.write_community, users)

    snmp_context = context.SnmpContext(snmp_engine)
    snmp_context.unregisterContextName(v2c.OctetString(''))
    snmp_context.registerContextName(v2c.OctetString(''), ProfileController(objects, log, snmp_engine, {u['name']: LEVELS[u['level']] for u in users}))
    cmdrsp.GetCommandResponder(snmp_engine, snmp_context)
    cmdrsp.NextCommandResponder(snmp_engine, snmp_context)
    cmdrsp.BulkCommandResponder(snmp_engine, snmp_context)
    cmdrsp.SetCommandResponder(snmp_engine, snmp_context)

    def stop(signum, frame):
        log('stopped by signal %d' % signum)
        os._exit(0)
    signal.signal(signal.SIGTERM, stop)
    signal.signal(signal.SIGINT, stop)

    log('pysnmp agent: %d profile objects from %s; communities read %r write %r; users %s; delay %d ms' %
        (len(objects), args.profile, args.read_community, args.write_community,
         ', '.join('%s (%s%s)' % (u['name'], u['level'], ', rw' if u['writable'] else '') for u in users) or 'none',
         args.reply_delay_ms))
    for address in listen:
        line = 'listening on %s port %d' % (address, port)
        log(line)
        print(line, flush=True)
    if args.port_file:
        write_port_file(args.port_file, port)

    snmp_engine.transportDispatcher.jobStarted(1)
    while True:
        try:
            snmp_engine.transportDispatcher.runDispatcher()
            return 0
        except Exception:
            # A request the engine could not handle: say so and go on serving.
            log('agent error:\n' + traceback.format_exc())


if __name__ == '__main__':
    sys.exit(main(sys.argv[1:]))
