"""The whole skin at the display's DPI: at 100 %, 125 %, 150 % and 200 % the window is
its 96-DPI size times the scale, every control stands where its 96-DPI place scaled says
and takes the clicks there, the status line's text grows with the scale, the keyboard
and the accessible objects follow, and the upgrade completes."""
import sys
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
from session import (AGREE_CHECK, AGREEMENT_LINK, CANCEL, CHANGE_FOLDER, CLOSE,  # noqa: E402
                     FINISH, FOLDER_LABEL, INSTALL, MINIMIZE, PROGRESS, SINA, TENCENT,
                     VK_RETURN, VK_TAB, Session)

# Where each control stands at 96 DPI: left, top, right, bottom.
PLACES = {
    CLOSE: (535, 0, 569, 22), MINIMIZE: (495, 0, 529, 22), INSTALL: (220, 278, 340, 318),
    AGREE_CHECK: (10, 340, 34, 364), AGREEMENT_LINK: (68, 344, 118, 362),
    CHANGE_FOLDER: (510, 290, 542, 308), FOLDER_LABEL: (354, 290, 504, 310),
    CANCEL: (510, 290, 542, 308), PROGRESS: (30, 290, 470, 310),
    FINISH: (230, 260, 350, 300), TENCENT: (220, 175, 310, 199), SINA: (320, 175, 410, 199),
}
CUE = (20, 102, 200)


def scaled(length, dpi):
    """A 96-DPI length at `dpi`, rounded as the program rounds (halves away from 0)."""
    return (length * dpi * 2 + 96) // (96 * 2)


class AtEveryScale(unittest.TestCase):
    def check_controls(self, s, dpi, page):
        """Each visible control's place is its 96-DPI place scaled, and a click at its
        96-DPI centre, scaled, lands on it."""
        for child in s.children():
            if not child["visible"] or child["id"] not in PLACES:
                continue
            left, top, right, bottom = PLACES[child["id"]]
            rect = child["rect"]
            self.assertEqual((rect["left"], rect["top"], rect["right"], rect["bottom"]),
                             tuple(scaled(v, dpi) for v in (left, top, right, bottom)),
                             f"control {child['id']} on {page} at {dpi} DPI")
            hit = s.call("hit", (left + right) // 2, (top + bottom) // 2)["id"]
            self.assertEqual(hit, child["id"], f"the click on {child['id']} at {dpi} DPI")

    def test_the_upgrade_at_100_125_150_and_200_percent(self):
        text_rows = {}
        for dpi in (96, 120, 144, 192):
            with self.subTest(dpi=dpi), Session(dpi=dpi, name=f"dpi{dpi}") as s:
                percent = dpi * 100 // 96
                s.throttle_to_seconds(5)
                s.start()
                main = s.main()
                self.assertEqual(main["dpi"], dpi)
                rect = main["rect"]
                self.assertLessEqual(abs(rect["right"] - rect["left"] - 570 * dpi / 96), 1)
                self.assertLessEqual(abs(rect["bottom"] - rect["top"] - 370 * dpi / 96), 1)
                self.check_controls(s, dpi, "agree")
                self.assertEqual(s.folder_label_text(["默认为您安装在D盘"]), "默认为您安装在D盘")
                # The accessible objects stand where the controls do, under their names.
                link = s.accessible(AGREEMENT_LINK)
                shown = s.call("text", 68, 344, 50, 18, 12, link["name"]).get("match")
                self.assertEqual(shown, link["name"])
                install = s.accessible(INSTALL)
                self.assertNotEqual(install["name"].strip(), "")
                self.assertEqual(install["location"],
                                 {k: scaled(v, dpi) for k, v in
                                  zip(("left", "top", "right", "bottom"), PLACES[INSTALL])})
                s.capture(f"dpi-{percent}-agree")
                # The keyboard: Tab to the start button shows the cue around it, Enter
                # starts the upgrade.
                for _ in range(3):
                    s.key(VK_TAB)
                s.wait_for(lambda: any(CUE in row for row in s.region(214, 272, 132, 52)), 5,
                           "the focus cue around the start button")
                s.key(VK_RETURN)
                s.wait_page("download", 30)
                self.check_controls(s, dpi, "download")
                reply = s.wait_for(lambda: s.call("status", *[f"已下载：{n}%" for n in range(101)]),
                                   30, "a download percentage", accept=lambda r: "match" in r,
                                   interval=0.1)
                text_rows[dpi] = reply["ink_rows"]
                s.capture(f"dpi-{percent}-download")
                s.wait_page("done", 90)
                self.check_controls(s, dpi, "done")
                s.capture(f"dpi-{percent}-done")
                self.assertEqual(s.finish(), 0)
        print(f"status text height in pixels by DPI: {text_rows}")
        # The text grows with the scale: each height is the 96-DPI one scaled, give or
        # take what hinting a font at another size does (two pixels).
        for dpi, rows in text_rows.items():
            self.assertLessEqual(abs(rows - text_rows[96] * dpi / 96), 2, text_rows)
        self.assertEqual(sorted(text_rows.values()), [text_rows[d] for d in (96, 120, 144, 192)])


if __name__ == "__main__":
    unittest.main()
