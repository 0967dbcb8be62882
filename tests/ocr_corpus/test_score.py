"""The OCR benchmark's scoring and the corpus's true reading order."""

import sys
import unittest
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]
sys.path.insert(0, str(ROOT / "bench" / "ocr"))
sys.path.insert(0, str(ROOT / "bench" / "ocr" / "corpus"))

import score  # noqa: E402


class ScoreTest(unittest.TestCase):
    def test_whitespace_and_full_width_forms_do_not_count(self):
        self.assertEqual(score.visible(" 第１２行，\n第 8 列\u3000ＯＫ。"), "第12行,第8列OK。")
        self.assertEqual(score.accuracy("软件 更新\n版本 3.2.1", "软件更新版本３.２.１"), 1.0)

    def test_accuracy_is_one_less_distance_over_true_length(self):
        self.assertAlmostEqual(score.accuracy("abcdefghij", "abcXefghi"), 0.8)  # one substituted, one lost
        self.assertEqual(score.accuracy("ab", "xxxxxxxx"), 0.0)             # never below 0
        self.assertEqual(score.accuracy("", ""), 1.0)
        self.assertEqual(score.accuracy(" \n", "x"), 0.0)
        self.assertEqual(score.edit_distance("长江黄河", "长河黄"), 2)

    def test_pictures_weigh_by_their_true_length(self):
        total = score.Score()
        total += score.score("a" * 90, "a" * 90)
        total += score.score("b" * 10, "")
        self.assertEqual((total.distance, total.length), (10, 100))
        self.assertAlmostEqual(total.accuracy, 0.9)

    def test_order_free_score_puts_true_lines_in_the_readers_order(self):
        truth = ["资源管理器", "项目说明.txt 4 KB", "会议记录-0618.docx 36 KB"]
        read = ["会议记录-0618.docx 36 KB", "资源管理器", "项目说明.txt 4 KB"]
        self.assertLess(score.accuracy("\n".join(truth), "\n".join(read)), 0.8)
        self.assertEqual(score.order_free_accuracy(truth, read), 1.0)
        # Misreadings still count, and it is never below the ordered figure.
        read[1] = "资源管理唇"
        self.assertAlmostEqual(score.order_free_accuracy(truth, read), 1 - 1 / 34)  # 34 visible characters
        self.assertGreaterEqual(score.order_free_accuracy(truth, ["x"]), score.accuracy("".join(truth), "x"))


class ReadingOrderTest(unittest.TestCase):
    def test_items_sharing_a_row_are_one_line_left_to_right(self):
        import make_corpus
        item = lambda x, cy, text, size=12: (x, cy - size / 2, x + 50, cy + size / 2, cy, text)
        items = [item(400, 110, "软件更新"), item(14, 111, "文档"), item(1200, 110.5, "查找和替换"),
                 item(14, 132, "项目说明.txt"), item(400, 138, "2"), item(1880, 1048, "9:37"),
                 item(1880, 1068, "2024/6/18")]
        self.assertEqual(make_corpus.reading_order(items),
                         ["文档 软件更新 查找和替换", "项目说明.txt", "2", "9:37", "2024/6/18"])


if __name__ == "__main__":
    unittest.main()
