"""The compiled help file zelcond.chm as built: every topic of its contents
and every keyword of its index found in it (the index read back from the
file's binary index), each keyword leading to a topic and anchor that the
file holds, and every message box text of the library quoted in the
messages topic."""
import html
import os
import re
import subprocess
import tempfile
import unittest

ENV = os.environ
HELP_SOURCES = os.path.join(ENV.get("SOURCE_DIR", ""), "docs", "help")


def chmls(*args):
    return subprocess.run([ENV["CHMLS"], "-p", *args], capture_output=True, text=True, check=True).stdout


def sitemap(text):
    """(name, local) of each entry of a contents or index file."""
    return re.findall(r'<param name="Name" value="([^"]*)">\s*(?:<param name="Name"[^>]*>\s*)*'
                      r'<param name="Local" value="([^"]*)">', text)


def plain(page):
    """A topic's text: tags dropped, entities decoded, white space folded."""
    return " ".join(html.unescape(re.sub(r"<[^>]+>", "", page)).split())


@unittest.skipUnless(ENV.get("HELP_FILE") and ENV.get("CHMLS"), "HELP_FILE and CHMLS are not set; run through ctest")
class HelpFile(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.work = tempfile.mkdtemp()
        chmls("extractall", ENV["HELP_FILE"], cls.work)
        index = os.path.join(cls.work, "index.hhk")
        chmls("extractindex", ENV["HELP_FILE"], index)
        with open(index, encoding="latin-1") as built:
            cls.index = sitemap(built.read())

    def topic(self, local):
        with open(os.path.join(self.work, local.split("#")[0]), encoding="ascii") as page:
            return page.read()

    def source(self, name):
        with open(os.path.join(HELP_SOURCES, name), encoding="ascii") as text:
            return text.read()

    def test_every_topic_and_keyword_is_in_the_help_file(self):
        topics = [local for _, local in sitemap(self.source("zelcond.hhc"))]
        self.assertGreaterEqual(len(topics), 5)
        for local in topics:
            self.assertIn("<h1>", self.topic(local), local)
        self.assertEqual(self.index, sitemap(self.source("zelcond.hhk")))
        for keyword, local in self.index:
            anchor = local.partition("#")[2]
            if anchor:
                self.assertIn(f'name="{anchor}"', self.topic(local), keyword)
            else:
                self.assertTrue(self.topic(local), keyword)

    def test_the_messages_topic_quotes_every_message_box_text(self):
        def code(name):
            with open(os.path.join(ENV["SOURCE_DIR"], "src", "api", name), encoding="ascii") as text:
                return text.read()
        # The reporter's two lines, and the log file's message from the start-up.
        texts = re.findall(r'"([A-Z][^"]* [^"]*?)(?:\\n)?"', code("report_error.cpp"))
        texts += re.findall(r'ShowMessage\("([^"]+)"\)', code("lifecycle.cpp"))
        self.assertGreaterEqual(len(texts), 9)
        messages = plain(self.topic("messages.htm"))
        for text in texts:
            self.assertRegex(messages, re.escape(text).replace("%d", r"\S+"), text)


if __name__ == "__main__":
    unittest.main()
