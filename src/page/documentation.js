// The technical documentation inside the page, which stays one file that
// works offline: the HTML pandoc made, gzipped (`documentationGzip`, in
// base64), is unpacked the first time it is opened and shown in a dialog.
// Links within it scroll it, so that the page's own address, which holds
// the session, never changes.
export const makeDocumentation = (documentationGzip) => {
  const dialog = document.getElementById('documentation');
  const frame = dialog.querySelector('iframe');
  let loaded = null;

  const show = (anchor) => {
    const target = anchor && frame.contentDocument.getElementById(anchor);
    if (target) target.scrollIntoView();
    else frame.contentWindow.scrollTo(0, 0);
  };

  const load = () => {
    if (!loaded) {
      const packed = Uint8Array.from(atob(documentationGzip), (c) => c.charCodeAt(0));
      loaded = new Response(new Blob([packed]).stream().pipeThrough(new DecompressionStream('gzip'))).text()
        .then((html) => new Promise((done) => {
          frame.addEventListener('load', done, { once: true });
          frame.srcdoc = html;
        }))
        .then(() => {
          // Keys inside the frame never reach the dialog: Escape closes it
          // from there too.
          frame.contentDocument.addEventListener('keydown', (event) => {
            if (event.key === 'Escape') dialog.close();
          });
          frame.contentDocument.addEventListener('click', (event) => {
            const link = event.target.closest('a[href^="#"]');
            if (!link) return;
            event.preventDefault();
            show(link.getAttribute('href').slice(1));
          });
        });
    }
    return loaded;
  };

  // Opens the documentation at the heading whose anchor is `anchor`.
  const open = (anchor) => {
    if (!dialog.open) dialog.showModal();
    return load().then(() => show(anchor));
  };

  document.getElementById('documentation-close').addEventListener('click', () => dialog.close());
  return { open: open };
};
