"""Reads an export of the contact register with readers we did not write
(Python's csv module, vobject) and prints each entry's fields as
"name=value" lines, entries apart by a blank line."""
import csv
import sys


def csv_righe(percorso):
    with open(percorso, newline="", encoding="utf-8-sig") as f:
        for riga in csv.DictReader(f, delimiter=";"):
            yield [f"{k}={v}" for k, v in riga.items()]


def vcard_righe(percorso):
    import vobject

    with open(percorso, encoding="utf-8") as f:
        for card in vobject.readComponents(f.read()):
            righe = [f"FN={card.fn.value}", f"EMAIL={card.email.value}"]
            if hasattr(card, "categories"):
                righe.append("CATEGORIES=" + "|".join(card.categories.value))
            for nome, voci in sorted(card.contents.items()):
                if nome.startswith("x-"):
                    righe.append(f"{nome.upper()}={voci[0].value}")
            yield righe


if __name__ == "__main__":
    percorso, tipo = sys.argv[1], sys.argv[2]
    leggi = vcard_righe if tipo == "vcard" else csv_righe
    print("\n\n".join("\n".join(r) for r in leggi(percorso)))
