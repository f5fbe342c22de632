#!/usr/bin/python3
"""Writes a deterministic corpus of e-mail addresses, one a line (UTF-8, LF).

The corpus imitates a mailing-list export: about four in five addresses are
well formed (common providers, company and university domains, the usual
shapes of local parts); the rest carry the faults such lists collect: a
missing @, doubled dots, bad characters, unknown top-level domains, quoted
local parts, dotted-quad domains, and a few rarer slips.

The generator uses its own random.Random with a fixed seed, so the same
command always writes the same file.

    gen_corpus.py OUTPUT [COUNT]      (COUNT defaults to 100000)
"""
import random
import sys

SEED = 20240507
WELL_FORMED_SHARE = 0.80

FIRST = """james mary john patricia robert jennifer michael linda william elizabeth
david barbara richard susan joseph jessica thomas sarah charles karen chris
nancy daniel lisa matthew betty anthony margaret mark sandra donald ashley
steven kimberly paul emily andrew donna joshua michelle kenneth dorothy kevin
carol brian amanda george melissa edward deborah ronald stephanie timothy
rebecca jason sharon jeffrey laura ryan cynthia jacob kathleen gary amy
nicholas shirley eric angela jonathan helen stephen anna larry brenda justin
pamela scott nicole brandon emma benjamin samantha samuel katherine gregory
christine frank debra alexander rachel raymond catherine patrick carolyn jack
janet dennis ruth jerry maria tyler heather aaron diane jose virginia adam
julie henry joyce nathan victoria douglas olivia zachary kelly peter christina
kyle lauren walter joan ethan evelyn jeremy judith harold megan keith cheryl
christian andrea roger hannah noah martha gerald jacqueline carl frances
terry gloria sean ann austin teresa arthur kathryn lawrence sara jesse janice
dylan jean bryan alice joe madison jordan doris billy abigail bruce julia
albert judy willie grace gabriel denise logan amber alan marilyn juan beverly
wayne danielle roy theresa ralph sophia randy marie eugene diana vincent
brittany russell natalie elijah isabella louis charlotte bobby rose philip
alexis johnny kayla hans klaus jurgen sabine petra ulrike pierre jean marie
claire luc sophie giulia marco luca francesca pablo lucia javier carmen
sven lars ingrid anders kenji yuki hiroshi wei li ming raj priya arjun anil
olga ivan dmitri natasha ahmed fatima omar aisha""".split()

LAST = """smith johnson williams brown jones garcia miller davis rodriguez martinez
hernandez lopez gonzalez wilson anderson thomas taylor moore jackson martin
lee perez thompson white harris sanchez clark ramirez lewis robinson walker
young allen king wright scott torres nguyen hill flores green adams nelson
baker hall rivera campbell mitchell carter roberts gomez phillips evans turner
diaz parker cruz edwards collins reyes stewart morris morales murphy cook
rogers gutierrez ortiz morgan cooper peterson bailey reed kelly howard ramos
kim cox ward richardson watson brooks chavez wood james bennett gray mendoza
ruiz hughes price alvarez castillo sanders patel myers long ross foster
jimenez powell jenkins perry russell sullivan bell coleman butler henderson
barnes gonzales fisher vasquez simmons romero jordan patterson alexander
hamilton graham reynolds griffin wallace moreno west cole hayes bryant herrera
gibson ellis tran medina aguilar stevens murray ford castro marshall owens
harrison fernandez mcdonald woods washington kennedy wells vargas henry chen
freeman webb tucker guzman burns crawford olson simpson porter hunter gordon
mueller schmidt schneider fischer weber meyer wagner becker schulz hoffmann
dubois durand lefebvre moreau laurent rossi russo ferrari esposito bianchi
andersson johansson karlsson nilsson larsen hansen tanaka suzuki watanabe
wang zhang liu yang singh kumar sharma ivanov petrov smirnov""".split()

NICK = """cool dark happy lucky sunny crazy super little big blue red green silver
golden wild lazy magic rock star moon sky fire ice storm shadow angel tiger
wolf eagle dragon ninja pirate gamer surfer rider hunter dreamer""".split()

WORDS = """acme global tech data net cloud smart bright blue green red north south
east west alpha beta delta omega prime first united national city metro
river lake mountain valley ocean coast harbor bridge stone iron steel gold
silver star sun moon sky light fast quick secure safe trust point peak summit
core logic systems solutions digital media design creative studio labs works
group partners consulting services health care medical dental law legal
finance capital invest bank insurance realty homes build construct energy
power solar wind auto motors parts supply trade market shop store foods farm
fresh organic coffee tea bakery travel tours hotel sports fitness music art
books press news print photo film games software hardware network web online
mobile apps code dev ai robotics""".split()

PROVIDERS = [
    ("gmail.com", 160), ("yahoo.com", 60), ("hotmail.com", 45), ("outlook.com", 30),
    ("aol.com", 15), ("icloud.com", 15), ("msn.com", 6), ("live.com", 8),
    ("comcast.net", 8), ("verizon.net", 4), ("att.net", 4), ("sbcglobal.net", 4),
    ("gmx.de", 8), ("web.de", 8), ("t-online.de", 5), ("gmx.net", 4),
    ("yahoo.co.uk", 6), ("btinternet.com", 4), ("hotmail.co.uk", 4),
    ("orange.fr", 5), ("free.fr", 4), ("laposte.net", 3), ("libero.it", 4),
    ("mail.ru", 5), ("yandex.ru", 4), ("qq.com", 4), ("163.com", 3),
    ("naver.com", 3), ("protonmail.com", 4), ("proton.me", 2), ("zoho.com", 2),
    ("fastmail.fm", 2), ("me.com", 3), ("mac.com", 2), ("bigpond.com", 2),
    ("shaw.ca", 2), ("rogers.com", 2), ("uol.com.br", 2), ("terra.com.br", 1),
]

# Suffixes of organisations' own domains, with weights. The last group are
# generic top-level domains newer than the classic ones: valid, but not in
# the validator's built-in table (they need TLDs.txt).
SUFFIXES = [
    ("com", 380), ("net", 50), ("org", 60), ("edu", 25), ("gov", 8), ("mil", 2),
    ("info", 15), ("biz", 8), ("name", 1), ("us", 10), ("de", 40), ("co.uk", 30),
    ("org.uk", 5), ("ac.uk", 8), ("fr", 20), ("nl", 15), ("it", 12), ("es", 10),
    ("ca", 15), ("com.au", 12), ("edu.au", 3), ("ch", 8), ("at", 6), ("be", 6),
    ("se", 6), ("dk", 5), ("no", 5), ("fi", 4), ("pl", 6), ("cz", 4), ("ie", 4),
    ("jp", 6), ("co.jp", 4), ("cn", 4), ("in", 6), ("co.in", 3), ("br", 4),
    ("com.br", 4), ("mx", 3), ("za", 3), ("co.za", 3), ("nz", 3), ("co.nz", 2),
    ("ru", 5), ("io", 12), ("co", 6), ("me", 4), ("tv", 2), ("eu", 5),
    ("xyz", 4), ("online", 4), ("shop", 3), ("tech", 3), ("app", 2), ("dev", 2),
    ("store", 2), ("site", 2), ("club", 2), ("agency", 2), ("digital", 1),
    ("solutions", 1), ("email", 1), ("cloud", 1), ("museum", 1), ("travel", 1),
    ("aero", 1), ("coop", 1), ("jobs", 1), ("mobi", 1), ("pro", 1), ("asia", 1),
]

ROLES = """info sales support contact admin office hello team billing accounts
hr jobs careers marketing press media help service orders webmaster news
newsletter feedback enquiries reception""".split()

UNKNOWN_TLDS = """con cmo comm ocm om cm0 c0m nte ogr orgg net1 local lan
internal corp home localdomain invalid test example mail intranet domain
priv private dev1 cpm vom xom""".split()

BAD_CHARS = [" ", ",", ";", ":", "(", ")", "[", "]", "<", ">", "\\", "\"", "\t"]
NON_ASCII_LOCAL = ["josé", "müller", "françois", "jürgen", "søren", "zoë",
                   "björn", "łukasz", "дмитрий", "王伟", "andré", "noël"]


def weighted(rng, pairs):
    """One item from (item, weight) pairs."""
    total = sum(w for _, w in pairs)
    r = rng.uniform(0, total)
    for item, w in pairs:
        r -= w
        if r <= 0:
            return item
    return pairs[-1][0]


def company_domain(rng):
    """An organisation's domain: one or two words, sometimes a subdomain."""
    a, b = rng.choice(WORDS), rng.choice(WORDS)
    shape = rng.random()
    if shape < 0.45:
        name = a + b
    elif shape < 0.65:
        name = a + "-" + b
    elif shape < 0.85:
        name = a + rng.choice(["", "s", "co", "inc", "hq", "online", "group"])
    else:
        name = a + b + str(rng.randint(1, 99))
    suffix = weighted(rng, SUFFIXES)
    if suffix in ("edu", "ac.uk", "edu.au"):
        name = rng.choice(["uni", "u", "college", "state", "tech", ""]) + a
        if rng.random() < 0.4:
            name = rng.choice(["cs", "math", "physics", "med", "law", "mail",
                               "student", "alumni", "ee", "bio"]) + "." + name
    elif rng.random() < 0.07:
        name = rng.choice(["mail", "smtp", "eu", "us", "uk", "corp", "my",
                           "news", "mx"]) + "." + name
    return name + "." + suffix


def domain(rng):
    """A well-formed domain: a large provider or an organisation."""
    if rng.random() < 0.55:
        return weighted(rng, PROVIDERS)
    return company_domain(rng)


def local_part(rng):
    """A well-formed local part in one of the shapes people use."""
    f, l = rng.choice(FIRST), rng.choice(LAST)
    r = rng.random()
    if r < 0.26:
        s = f + "." + l
    elif r < 0.36:
        s = f + l
    elif r < 0.46:
        s = f[0] + l
    elif r < 0.51:
        s = f[0] + "." + l
    elif r < 0.56:
        s = f + "_" + l
    elif r < 0.60:
        s = f + "-" + l
    elif r < 0.70:
        s = f + l[0] + str(rng.randint(1, 99))
    elif r < 0.76:
        s = f + "." + l + str(rng.randint(1950, 2009))
    elif r < 0.81:
        s = rng.choice(NICK) + rng.choice(NICK) + str(rng.randint(1, 9999))
    elif r < 0.84:
        s = f + "+" + rng.choice(["news", "lists", "shop", "spam", "work", "2024"])
    elif r < 0.92:
        s = rng.choice(ROLES)
    elif r < 0.95:
        s = f + "." + rng.choice(FIRST)[0] + "." + l
    elif r < 0.975:
        s = f + "'" + l if rng.random() < 0.2 else l + "." + f
    else:
        s = f + rng.choice(["!", "#", "$", "%", "&", "*", "=", "?", "^", "`",
                            "{", "|", "}", "~", "/"]) + l
    if rng.random() < 0.06:
        s = s[:1].upper() + s[1:]
        if "." in s and rng.random() < 0.5:
            i = s.index(".") + 1
            s = s[:i] + s[i:i + 1].upper() + s[i + 1:]
    return s


def well_formed(rng):
    """An address that is well formed by the usual rules."""
    r = rng.random()
    if r < 0.003:
        return "postmaster@" + domain(rng)
    if r < 0.006:
        return rng.choice(["noreply", "NoReply"]) + "@" + domain(rng)
    if r < 0.012:
        return "no-reply@" + domain(rng)
    return local_part(rng) + "@" + domain(rng)


def faulty(rng):
    """An address with one of the usual faults."""
    kind = rng.choices(
        ["no_at", "double_dot", "bad_char", "unknown_tld", "quoted",
         "dotted_quad", "edge_dot", "two_at", "empty_part", "no_dot",
         "hyphen_edge", "non_ascii", "display_name", "long_local"],
        weights=[16, 11, 15, 15, 8, 7, 6, 4, 4, 4, 3, 4, 2, 1])[0]
    loc, dom = local_part(rng), domain(rng)
    if kind == "no_at":
        r = rng.random()
        if r < 0.6:
            return loc + dom if rng.random() < 0.5 else loc + "." + dom
        if r < 0.85:
            return loc + " at " + dom
        return loc + rng.choice(["(at)", "[at]", "#"]) + dom
    if kind == "double_dot":
        if rng.random() < 0.5 and "." in loc:
            return loc.replace(".", "..", 1) + "@" + dom
        if rng.random() < 0.5:
            return loc + "..x@" + dom if rng.random() < 0.2 else loc + "@" + dom.replace(".", "..", 1)
        return rng.choice(FIRST) + ".." + rng.choice(LAST) + "@" + dom
    if kind == "bad_char":
        c = rng.choice(BAD_CHARS)
        r = rng.random()
        if r < 0.5:
            i = rng.randint(1, max(1, len(loc) - 1))
            return loc[:i] + c + loc[i:] + "@" + dom
        if r < 0.7:
            return loc + "@" + dom + rng.choice([" ", ",", ";", ">", ")"])
        if r < 0.85:
            return rng.choice([" ", "\t", "<", "("]) + loc + "@" + dom
        i = rng.randint(1, max(1, dom.index(".")))
        return loc + "@" + dom[:i] + rng.choice(["_", " ", "!", ",", "*"]) + dom[i:]
    if kind == "unknown_tld":
        base = dom.rsplit(".", 1)[0]
        return loc + "@" + base + "." + rng.choice(UNKNOWN_TLDS)
    if kind == "quoted":
        f, l = rng.choice(FIRST), rng.choice(LAST)
        inner = rng.choice([f + " " + l, f + "." + l, f + "@" + l, f + ",," + l,
                            f + "(" + l + ")", l + "," + f, f + l])
        return '"' + inner + '"@' + dom
    if kind == "dotted_quad":
        r = rng.random()
        if r < 0.45:
            q = "%d.%d.%d.%d" % (rng.choice([10, 172, 192, 84, 203]), rng.randint(0, 255),
                                 rng.randint(0, 255), rng.randint(1, 254))
        elif r < 0.6:
            q = "127.0.0.1"
        elif r < 0.75:
            q = "%d.%d.%d.%d" % (rng.randint(1, 300), rng.randint(0, 255),
                                 rng.randint(0, 255), rng.randint(0, 300))
        else:
            q = "192.168.%d.%d" % (rng.randint(0, 255), rng.randint(1, 254))
        return loc + "@" + ("[" + q + "]" if rng.random() < 0.4 else q)
    if kind == "edge_dot":
        return rng.choice(["." + loc + "@" + dom, loc + ".@" + dom,
                           loc + "@." + dom, loc + "@" + dom + "."])
    if kind == "two_at":
        return loc + "@" + rng.choice([loc + "@" + dom, dom + "@" + domain(rng), "@" + dom])
    if kind == "empty_part":
        return rng.choice(["@" + dom, loc + "@", "@"])
    if kind == "no_dot":
        return loc + "@" + rng.choice(["localhost", "mailserver", "exchange",
                                       dom.split(".")[0], "gmail"])
    if kind == "hyphen_edge":
        parts = dom.split(".")
        parts[0] = rng.choice(["-" + parts[0], parts[0] + "-"])
        return loc + "@" + ".".join(parts)
    if kind == "non_ascii":
        return rng.choice(NON_ASCII_LOCAL) + rng.choice(["", ".", "_"]) + rng.choice(LAST) + "@" + dom
    if kind == "display_name":
        f, l = rng.choice(FIRST), rng.choice(LAST)
        return rng.choice(["", f.title() + " " + l.title() + " "]) + "<" + loc + "@" + dom + ">"
    # long_local: a local part over 64 characters, which RFC 5321 refuses
    return ".".join(rng.choice(FIRST) + rng.choice(LAST) for _ in range(6)) + "@" + dom


def main():
    if len(sys.argv) < 2:
        sys.exit("usage: gen_corpus.py OUTPUT [COUNT]")
    count = int(sys.argv[2]) if len(sys.argv) > 2 else 100000
    rng = random.Random(SEED)
    with open(sys.argv[1], "w", encoding="utf-8", newline="\n") as out:
        for _ in range(count):
            addr = well_formed(rng) if rng.random() < WELL_FORMED_SHARE else faulty(rng)
            out.write(addr.replace("\n", " ") + "\n")


if __name__ == "__main__":
    main()
