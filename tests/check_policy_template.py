#!/usr/bin/env python3
"""The Group Policy template says what the notifier reads: each policy's key,
value name, registry type and range against the constants in the
notifier's source, and every text and presentation it names present in the
English resource file.

    check_policy_template.py ADMX ADML REGISTRY_NAMES_H SETTINGS_H

Exit status 0 when everything agrees; each disagreement is printed."""
import os
import re
import sys
import xml.etree.ElementTree as ET

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "pylib"))
from checks import Checks  # noqa: E402

NS = {"p": "http://schemas.microsoft.com/GroupPolicy/2006/07/PolicyDefinitions"}


def source_constants(header, source):
    text = open(header, encoding="utf-8").read() + open(source, encoding="utf-8").read()
    strings = {name: value.replace("\\\\", "\\")
               for name, value in re.findall(r'constexpr char (k\w+)\[\] =\s*"([^"]*)";', text)}
    numbers = {name: int(value) for name, value in re.findall(r"const DWORD (k\w+) = (\d+);", text)}
    return strings, numbers


def main():
    admx, adml, header, source = sys.argv[1:5]
    strings, numbers = source_constants(header, source)
    check = Checks()

    key = strings.get("kPolicyKey")
    check(key is not None and "kMinPolicyInterval" in numbers and "kMaxPolicyInterval" in numbers,
          "the notifier's source names the policy key and the interval's range")
    template = ET.parse(admx).getroot()
    resources = ET.parse(adml).getroot()
    policies = {p.get("name"): p for p in template.iterfind("p:policies/p:policy", NS)}
    check(sorted(policies) == ["UpdateChecks", "UpdateInterval"], "two policies: %s" % sorted(policies))

    # What each policy writes, as (value name, registry type, allowed values).
    written = {}
    for name, policy in policies.items():
        check(policy.get("class") == "Machine", "%s: a machine policy (HKEY_LOCAL_MACHINE)" % name)
        check(policy.get("key") == key, "%s: key %s is the notifier's %s" % (name, policy.get("key"), key))
        if policy.get("valueName"):
            values = [int(d.get("value")) for part in ("enabledValue", "disabledValue")
                      for d in policy.iterfind("p:%s/p:decimal" % part, NS)]
            written[policy.get("valueName")] = ("REG_DWORD", values)
        for element in policy.iterfind("p:elements/*", NS):
            kind = element.tag.split("}")[1]
            reg_type = "REG_DWORD" if kind == "decimal" and element.get("storeAsText") != "true" else kind
            written[element.get("valueName")] = (reg_type, (int(element.get("minValue", "0")),
                                                            int(element.get("maxValue", "-1"))))
    enabled, interval = strings.get("kEnabledValue"), strings.get("kIntervalValue")
    check(written.get(enabled) == ("REG_DWORD", [1, 0]),
          "%r: REG_DWORD, enabled 1 (the user decides), disabled 0 (off): %s" % (enabled, written.get(enabled)))
    check(written.get(interval) == ("REG_DWORD", (numbers.get("kMinPolicyInterval"),
                                                  numbers.get("kMaxPolicyInterval"))),
          "%r: REG_DWORD from %s to %s days: %s" % (interval, numbers.get("kMinPolicyInterval"),
                                                    numbers.get("kMaxPolicyInterval"), written.get(interval)))
    check(sorted(written) == sorted([enabled, interval]), "no other value written: %s" % sorted(written))

    # Every text and presentation that the template names is in the resources.
    texts = {s.get("id") for s in resources.iterfind("p:resources/p:stringTable/p:string", NS)}
    shown = {p.get("id"): p for p in resources.iterfind("p:resources/p:presentationTable/p:presentation", NS)}
    raw = open(admx, encoding="utf-8").read()
    for ref in re.findall(r"\$\(string\.(\w+)\)", raw):
        check(ref in texts, "text %s is in the English resources" % ref)
    for ref in re.findall(r"\$\(presentation\.(\w+)\)", raw):
        ids = {e.get("id") for p in policies.values() if p.get("presentation") == "$(presentation.%s)" % ref
               for e in p.iterfind("p:elements/*", NS)}
        refs = {c.get("refId") for c in shown[ref]} if ref in shown else set()
        check(ref in shown and ids == refs, "presentation %s shows the policy's elements %s" % (ref, sorted(ids)))
    return check.status()


if __name__ == "__main__":
    sys.exit(main())
